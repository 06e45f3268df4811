#pragma once

#include <string_view>

// A line for a debugger or a debug-output viewer: failures that the program
// tolerates and goes on after. The user never sees it, and it never goes to
// a log pane. UTF-8. On Windows through OutputDebugStringW; elsewhere on
// standard error. Which one is chosen by the file that is linked.
void DebugTrace(std::string_view text);
