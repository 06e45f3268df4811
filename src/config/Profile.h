#pragma once

#include <string>

// The settings store: text and integer values by section and key, each read
// with a default. Ensure* read and write the value back, so a missing key
// appears in the store with its default.
class CProfile
{
public:
    virtual wchar_t GetChar(const wchar_t* pszSection, const wchar_t* pszKey) = 0;
    virtual std::wstring GetString(const wchar_t* pszSection, const wchar_t* pszKey, const wchar_t* pszDefault) = 0;
    virtual bool SetString(const wchar_t* pszSection, const wchar_t* pszKey, const wchar_t* pszValue) = 0;
    virtual std::wstring EnsureString(const wchar_t* pszSection, const wchar_t* pszKey, const wchar_t* pszDefault) = 0;
    virtual int GetInt(const wchar_t* pszSection, const wchar_t* pszKey, int nDefault) = 0;
    virtual void SetInt(const wchar_t* pszSection, const wchar_t* pszKey, int nValue) = 0;
    virtual int EnsureInt(const wchar_t* pszSection, const wchar_t* pszKey, int nDefault) = 0;

protected:
    ~CProfile() = default;
};
