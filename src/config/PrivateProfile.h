#pragma once

#include "config/Profile.h"

#include <string>

// The settings store over one INI file, through the platform's
// private-profile functions. No handle stays open between calls.
class CPrivateProfile : public CProfile
{
public:
    wchar_t GetChar(const wchar_t* pszSection, const wchar_t* pszKey) override;
    std::wstring GetString(const wchar_t* pszSection, const wchar_t* pszKey, const wchar_t* pszDefault) override;
    bool SetString(const wchar_t* pszSection, const wchar_t* pszKey, const wchar_t* pszValue) override;
    std::wstring EnsureString(const wchar_t* pszSection, const wchar_t* pszKey, const wchar_t* pszDefault) override;
    int GetInt(const wchar_t* pszSection, const wchar_t* pszKey, int nDefault) override;
    void SetInt(const wchar_t* pszSection, const wchar_t* pszKey, int nValue) override;
    int EnsureInt(const wchar_t* pszSection, const wchar_t* pszKey, int nDefault) override;

    std::wstring m_strPath; // full path of the INI file

private:
    // A folder the user cannot write to fails every write, and the poll
    // writes while disconnected: the trace says so once, until a write works.
    bool m_bWriteFailing = false;
};

// Where the INI file lives: pszDirArg names its directory (the first
// command-line argument that is not a switch; null or empty for none),
// otherwise the executable's directory. Relative directories are taken from
// the current directory.
std::wstring MakeProfilePath(const wchar_t* pszAppName, const wchar_t* pszDirArg);
