#include "text/Utf8.h"

#include <cstring>
#include <iterator>
#include <utf8.h>

namespace Utf8
{
std::string Sanitize(const char* p, size_t nBytes)
{
    if (!p)
        return std::string();
    const void* pNul = std::memchr(p, 0, nBytes);
    size_t n = pNul ? static_cast<const char*>(pNul) - p : nBytes;
    std::string out;
    out.reserve(n);
    utf8::replace_invalid(p, p + n, std::back_inserter(out), 0xFFFDu);
    return out;
}

std::string Cut(const std::string& s, size_t nMaxBytes)
{
    if (s.size() <= nMaxBytes)
        return s;
    size_t n = nMaxBytes;
    // Step back over continuation bytes (10xxxxxx) to the start of the character
    // that the cut would split.
    while (n > 0 && (static_cast<unsigned char>(s[n]) & 0xC0) == 0x80)
        --n;
    return s.substr(0, n);
}
}
