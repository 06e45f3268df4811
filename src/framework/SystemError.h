#pragma once

#include <windows.h>

// Traces a failed platform call that the program tolerates, with the
// system's text for the error: "ShellExecuteW failed: The system cannot find
// the file specified. (2)". Nothing is shown to the user.
void TraceFailure(const char* pszCall, DWORD dwError);
inline void TraceLastError(const char* pszCall)
{
    TraceFailure(pszCall, GetLastError());
}
