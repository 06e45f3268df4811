#pragma once

#include <exception>
#include <string>
#include <string_view>

// A line for a debugger or a debug-output viewer: failures that the program
// tolerates and goes on after. The user never sees it, and it never goes to
// a log pane. UTF-8. On Windows through OutputDebugStringW; elsewhere on
// standard error. Which one is chosen by the file that is linked.
void DebugTrace(std::string_view text);

// Runs a callback of a C library, through which no exception may unwind:
// whatever it throws stops here and is traced as "exception in <where>".
template <class F> void TraceExceptions(const char* pszWhere, F f)
{
    try
    {
        f();
    }
    catch (const std::exception& e)
    {
        DebugTrace(std::string("exception in ") + pszWhere + ": " + e.what());
    }
    catch (...)
    {
        DebugTrace(std::string("exception in ") + pszWhere);
    }
}
