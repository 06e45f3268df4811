#include "trace/DebugTrace.h"

#include <cstdio>

void DebugTrace(std::string_view text)
{
    std::fprintf(stderr, "Tavrin: %.*s\n", static_cast<int>(text.size()), text.data());
}
