// Linked into the benchmark's second build of the program in the place of
// src/mqtt/PollVariant.cpp: the program as it was before draining, one loop
// call per poll.
#include "mqtt/PollVariant.h"

bool DrainsEachPoll()
{
    return false;
}
