#pragma once

#include <windows.h>

#include <string>

class CWnd;

// The application object: exactly one exists while the program runs, and
// WinMain drives it. Tests may construct their own to set the name and the
// command line the window sees.
class CWinApp
{
public:
    CWinApp();
    virtual ~CWinApp();
    CWinApp(const CWinApp&) = delete;
    CWinApp& operator=(const CWinApp&) = delete;

    virtual BOOL InitInstance();
    virtual int ExitInstance();
    int Run();

    // The executable's file name without directory and extension.
    const std::wstring& GetAppName() const { return m_strAppName; }
    void SetAppName(const std::wstring& strName) { m_strAppName = strName; }

    // The first command-line argument that is not a switch ("/x" or "-x");
    // empty when there is none.
    const std::wstring& GetFileArgument() const { return m_strFileArg; }
    void SetFileArgument(const std::wstring& strArg) { m_strFileArg = strArg; }
    void ParseCommandLine(const wchar_t* pszCommandLine);

    HINSTANCE m_hInstance;
    CWnd* m_pMainWnd = nullptr;

private:
    CWinApp* m_pPrevApp;
    std::wstring m_strAppName;
    std::wstring m_strFileArg;
};

CWinApp* AfxGetApp();
HINSTANCE AfxGetInstanceHandle();
// Empty while no application object exists.
std::wstring AfxGetAppName();
