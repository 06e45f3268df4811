#include "mqtt/PollVariant.h"

// Nothing else may go in this file: a build that links another definition
// must leave no reason to pull this one from the library.
bool DrainsEachPoll()
{
    return true;
}
