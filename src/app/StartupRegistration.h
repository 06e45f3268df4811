#pragma once

// Run at login: one string value under the current user's Run key holding the
// quoted path of the executable and " /startup".
// True when Windows will start the program at the next login: the value is
// there and Windows' own switch for it (Task Manager's) is not off.
bool IsStartupRegistered();
// Writes the value and turns Windows' switch for it on.
void RegisterStartup();
void UnregisterStartup();
void ToggleStartup();
