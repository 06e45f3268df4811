#pragma once

#include <string>

// The executable's full path, or empty when it does not fit in MAX_PATH
// characters: the platform functions the program hands it to work in
// MAX_PATH buffers, and a cut path would name some other file.
std::wstring GetModulePath();
