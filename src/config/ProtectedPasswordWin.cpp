// DPAPI in user scope: only the same Windows user on the same PC opens it.
#include "config/ProtectedPassword.h"

#include "mqtt/SocketReady.h"

#include <windows.h>
#include <wincrypt.h>

namespace
{
// Ties the blob to this use, so that another program's DPAPI blob pasted into
// the INI does not open here. Never change it: older INIs hold blobs made with it.
const char ENTROPY[] = "Tavrin MQTT password";

DATA_BLOB Blob(const void* p, size_t n)
{
    DATA_BLOB b;
    b.pbData = static_cast<BYTE*>(const_cast<void*>(p));
    b.cbData = static_cast<DWORD>(n);
    return b;
}
}

bool ProtectText(const std::string& plain, std::vector<unsigned char>& blob, std::string& error)
{
    DATA_BLOB in = Blob(plain.data(), plain.size());
    DATA_BLOB entropy = Blob(ENTROPY, sizeof ENTROPY - 1);
    DATA_BLOB out{};
    if (!CryptProtectData(&in, L"Tavrin", &entropy, nullptr, nullptr, CRYPTPROTECT_UI_FORBIDDEN, &out))
    {
        error = SystemErrorText(static_cast<int>(GetLastError()));
        return false;
    }
    blob.assign(out.pbData, out.pbData + out.cbData);
    LocalFree(out.pbData);
    return true;
}

bool UnprotectText(const std::vector<unsigned char>& blob, std::string& plain, std::string& error)
{
    DATA_BLOB in = Blob(blob.data(), blob.size());
    DATA_BLOB entropy = Blob(ENTROPY, sizeof ENTROPY - 1);
    DATA_BLOB out{};
    if (!CryptUnprotectData(&in, nullptr, &entropy, nullptr, nullptr, CRYPTPROTECT_UI_FORBIDDEN, &out))
    {
        error = SystemErrorText(static_cast<int>(GetLastError()));
        return false;
    }
    plain.assign(reinterpret_cast<const char*>(out.pbData), out.cbData);
    SecureZeroMemory(out.pbData, out.cbData);
    LocalFree(out.pbData);
    return true;
}
