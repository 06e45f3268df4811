#pragma once

// Run at login: one string value under the current user's Run key holding the
// quoted path of the executable and " /startup".
bool IsStartupRegistered();
void RegisterStartup();
void UnregisterStartup();
void ToggleStartup();
