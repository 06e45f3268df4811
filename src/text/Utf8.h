#pragma once

#include <cstddef>
#include <string>
#include <string_view>

namespace Utf8
{
// The bytes up to the first NUL, with every invalid sequence replaced by U+FFFD.
std::string Sanitize(const char* p, size_t nBytes);

// At most nMaxBytes of s, never ending inside a multi-byte character.
std::string_view Cut(std::string_view s, size_t nMaxBytes);
}
