// The password key's value, as any bytes the INI may hold: never a crash; a
// protected form is either opened or refused with words, and base64 has one
// text for each byte string.
#include "FuzzCheck.h"
#include "config/ProtectedPassword.h"

#include <cstdint>

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* pData, size_t size)
{
    const std::string stored(reinterpret_cast<const char*>(pData), size);
    const SPasswordRead read = ReadPasswordSetting(stored);
    FUZZ_CHECK(read.bOk || !read.error.empty());
    FUZZ_CHECK(read.bOk || read.password.empty());
    if (!read.replacement.empty())
    {
        FUZZ_CHECK(IsProtectedForm(read.replacement));
        FUZZ_CHECK(ReadPasswordSetting(read.replacement).password == stored);
    }
    std::vector<unsigned char> bytes;
    if (Base64Decode(stored, bytes))
        FUZZ_CHECK(Base64Encode(bytes) == stored);
    const std::vector<unsigned char> raw(pData, pData + size);
    FUZZ_CHECK(Base64Decode(Base64Encode(raw), bytes) && bytes == raw);
    return 0;
}
