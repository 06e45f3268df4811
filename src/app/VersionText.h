#pragma once

#include <string>

// "ver %d.%d.%d" from the first three numbers of this executable's file
// version; empty when it has no version resource.
std::wstring LoadVersionText();
