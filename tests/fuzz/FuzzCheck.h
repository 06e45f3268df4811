#pragma once

#include <cstdio>
#include <cstdlib>
#include <string>
#include <utf8.h>

// A broken promise of the code under test: report it as a crash.
#define FUZZ_CHECK(cond)                                                             \
    do                                                                               \
    {                                                                                \
        if (!(cond))                                                                 \
        {                                                                            \
            std::fprintf(stderr, "%s:%d: check failed: %s\n", __FILE__, __LINE__, #cond); \
            std::abort();                                                            \
        }                                                                            \
    } while (0)

// What every text that leaves the core must be: UTF-8 without a NUL.
inline bool IsCleanText(const std::string& s)
{
    return s.find('\0') == std::string::npos && utf8::is_valid(s.begin(), s.end());
}
