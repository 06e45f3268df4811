#pragma once

#include <windows.h>

// An open registry key that closes itself at the end of its scope.
class CRegKey
{
public:
    CRegKey() = default;
    CRegKey(const CRegKey&) = delete;
    CRegKey& operator=(const CRegKey&) = delete;
    ~CRegKey() { Close(); }

    // Opens an existing key; never creates one.
    LONG Open(HKEY hParent, const wchar_t* pszSubKey, REGSAM samDesired)
    {
        Close();
        HKEY hKey = nullptr;
        LONG lResult = RegOpenKeyExW(hParent, pszSubKey, 0, samDesired, &hKey);
        if (lResult == ERROR_SUCCESS)
            m_hKey = hKey;
        return lResult;
    }

    void Close()
    {
        if (m_hKey != nullptr)
        {
            RegCloseKey(m_hKey);
            m_hKey = nullptr;
        }
    }

    operator HKEY() const { return m_hKey; }

private:
    HKEY m_hKey = nullptr;
};
