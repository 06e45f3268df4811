#include "config/PrivateProfile.h"

#include "framework/ModulePath.h"
#include "framework/SystemError.h"

#include <windows.h>
#include <shlwapi.h>

#include <cwchar>

namespace
{
const DWORD PROFILE_VALUE_BUFFER = 1024; // 1023 characters and the NUL

// Given as the default, it comes back only when the key is missing: a value
// read from the file ends at the line break and cannot hold it.
const wchar_t MISSING_KEY[] = L"\x01\x02\n\x03";

std::wstring ReadValue(const std::wstring& strPath, const wchar_t* pszSection, const wchar_t* pszKey,
                       const wchar_t* pszDefault, DWORD dwBuffer)
{
    std::wstring strBuffer(dwBuffer, L'\0');
    DWORD dwLength = GetPrivateProfileStringW(pszSection, pszKey, pszDefault, &strBuffer[0], dwBuffer, strPath.c_str());
    strBuffer.resize(wcsnlen(strBuffer.c_str(), dwLength < dwBuffer ? dwLength : dwBuffer - 1));
    return strBuffer;
}

// True when the key is present and reads back as exactly strText. One
// character more than a value can hold shows a value that reading cuts.
bool FileHoldsText(const std::wstring& strPath, const wchar_t* pszSection, const wchar_t* pszKey,
                   const std::wstring& strText)
{
    if (strPath.empty())
        return false;
    return ReadValue(strPath, pszSection, pszKey, MISSING_KEY, PROFILE_VALUE_BUFFER + 1) == strText;
}

std::wstring FormatInt(int nValue)
{
    wchar_t szText[16];
    swprintf(szText, sizeof szText / sizeof szText[0], L"%d", nValue);
    return szText;
}
} // namespace

// An empty path is what MakeProfilePath gives for a path that does not fit:
// it reads as a missing file and is never written, since the platform would
// take a bare name to mean a file in the Windows directory.

wchar_t CPrivateProfile::GetChar(const wchar_t* pszSection, const wchar_t* pszKey)
{
    if (m_strPath.empty())
        return 0;
    std::wstring strValue = ReadValue(m_strPath, pszSection, pszKey, L"", PROFILE_VALUE_BUFFER);
    return strValue.empty() ? 0 : strValue[0];
}

std::wstring CPrivateProfile::GetString(const wchar_t* pszSection, const wchar_t* pszKey, const wchar_t* pszDefault)
{
    if (m_strPath.empty())
        return pszDefault;
    return ReadValue(m_strPath, pszSection, pszKey, pszDefault, PROFILE_VALUE_BUFFER);
}

bool CPrivateProfile::SetString(const wchar_t* pszSection, const wchar_t* pszKey, const wchar_t* pszValue)
{
    if (m_strPath.empty())
        return false;

    // A file we create is UTF-16: the platform writes Unicode text only into
    // a file that begins with the byte-order mark.
    if (!PathFileExistsW(m_strPath.c_str()))
    {
        HANDLE hFile = CreateFileW(m_strPath.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS,
                                   FILE_ATTRIBUTE_NORMAL, nullptr);
        if (hFile != INVALID_HANDLE_VALUE)
        {
            const BYTE bom[2] = {0xFF, 0xFE};
            DWORD dwWritten = 0;
            WriteFile(hFile, bom, sizeof bom, &dwWritten, nullptr);
            CloseHandle(hFile);
        }
    }
    if (!WritePrivateProfileStringW(pszSection, pszKey, pszValue, m_strPath.c_str()))
    {
        if (!m_bWriteFailing)
            TraceLastError("WritePrivateProfileStringW");
        m_bWriteFailing = true;
        return false;
    }
    m_bWriteFailing = false;
    return true;
}

// Writes only when the file does not already hold the value, so that an
// unchanged file is left alone and an edit saved in between is not undone.
std::wstring CPrivateProfile::EnsureString(const wchar_t* pszSection, const wchar_t* pszKey, const wchar_t* pszDefault)
{
    std::wstring strValue = GetString(pszSection, pszKey, pszDefault);
    if (!FileHoldsText(m_strPath, pszSection, pszKey, strValue))
        SetString(pszSection, pszKey, strValue.c_str());
    return strValue;
}

int CPrivateProfile::GetInt(const wchar_t* pszSection, const wchar_t* pszKey, int nDefault)
{
    if (m_strPath.empty())
        return nDefault;
    return static_cast<int>(GetPrivateProfileIntW(pszSection, pszKey, nDefault, m_strPath.c_str()));
}

void CPrivateProfile::SetInt(const wchar_t* pszSection, const wchar_t* pszKey, int nValue)
{
    SetString(pszSection, pszKey, FormatInt(nValue).c_str());
}

// Like EnsureString: a number written in any other way than "%d" would
// write it ("012", "0x10", "12abc") is replaced by its canonical text.
int CPrivateProfile::EnsureInt(const wchar_t* pszSection, const wchar_t* pszKey, int nDefault)
{
    int nValue = GetInt(pszSection, pszKey, nDefault);
    if (!FileHoldsText(m_strPath, pszSection, pszKey, FormatInt(nValue)))
        SetInt(pszSection, pszKey, nValue);
    return nValue;
}

std::wstring MakeProfilePath(const wchar_t* pszAppName, const wchar_t* pszDirArg)
{
    std::wstring strFileName = std::wstring(pszAppName) + L".ini";

    // Paths are worked out in MAX_PATH buffers; one that does not fit gives
    // an empty path rather than a cut one that names some other place.
    wchar_t szDir[MAX_PATH] = {};
    if (pszDirArg == nullptr || *pszDirArg == L'\0')
    {
        std::wstring strExe = GetModulePath();
        if (strExe.empty())
            return std::wstring();
        StrCpyW(szDir, strExe.c_str());
        PathRemoveFileSpecW(szDir);
    }
    else if (PathIsRelativeW(pszDirArg))
    {
        DWORD dwLength = GetCurrentDirectoryW(MAX_PATH, szDir);
        if (dwLength == 0 || dwLength >= MAX_PATH || !PathAppendW(szDir, pszDirArg))
            return std::wstring();
    }
    else
    {
        if (wcslen(pszDirArg) >= MAX_PATH)
            return std::wstring();
        StrCpyW(szDir, pszDirArg);
    }

    wchar_t szPath[MAX_PATH];
    StrCpyW(szPath, szDir);
    if (!PathAppendW(szPath, strFileName.c_str()))
        return std::wstring();
    return szPath;
}
