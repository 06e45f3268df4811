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
    // Payloads are nearly always valid throughout: copy the valid run in one
    // piece and let the replacing copy, byte by byte, do only the rest.
    const char* pEnd = p + n;
    const char* pBad = utf8::find_invalid(p, pEnd);
    std::string out;
    out.reserve(n);
    out.assign(p, pBad);
    if (pBad != pEnd)
        utf8::replace_invalid(pBad, pEnd, std::back_inserter(out), 0xFFFDu);
    return out;
}

std::string_view Cut(std::string_view s, size_t nMaxBytes)
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
