#include "framework/WinApp.h"

#include "framework/ModulePath.h"

#include <commctrl.h>
#include <shellapi.h>

namespace
{
CWinApp* g_pApp = nullptr;

std::wstring AppNameFromModule()
{
    std::wstring path = GetModulePath();
    size_t nStart = path.find_last_of(L"\\/");
    nStart = (nStart == std::wstring::npos) ? 0 : nStart + 1;
    size_t nDot = path.find_last_of(L'.');
    if (nDot == std::wstring::npos || nDot < nStart)
        nDot = path.size();
    return path.substr(nStart, nDot - nStart);
}
}

CWinApp::CWinApp()
    : m_hInstance(GetModuleHandleW(nullptr)), m_pPrevApp(g_pApp), m_strAppName(AppNameFromModule())
{
    g_pApp = this;
}

CWinApp::~CWinApp()
{
    // A test may stack an application object on another one for a while.
    if (g_pApp == this)
        g_pApp = m_pPrevApp;
}

BOOL CWinApp::InitInstance()
{
    INITCOMMONCONTROLSEX icc = { sizeof(icc), ICC_WIN95_CLASSES };
    InitCommonControlsEx(&icc);
    return TRUE;
}

int CWinApp::ExitInstance()
{
    return 0;
}

int CWinApp::Run()
{
    MSG msg;
    while (GetMessageW(&msg, nullptr, 0, 0) > 0)
    {
        TranslateMessage(&msg);
        DispatchMessageW(&msg);
    }
    ExitInstance();
    return static_cast<int>(msg.wParam);
}

void CWinApp::ParseCommandLine(const wchar_t* pszCommandLine)
{
    m_strFileArg.clear();
    int nArgs = 0;
    wchar_t** ppArgs = CommandLineToArgvW(pszCommandLine, &nArgs);
    if (!ppArgs)
        return;
    // Argument 0 is the program itself.
    for (int i = 1; i < nArgs; ++i)
    {
        if (ppArgs[i][0] != L'/' && ppArgs[i][0] != L'-')
        {
            m_strFileArg = ppArgs[i];
            break;
        }
    }
    LocalFree(ppArgs);
}

CWinApp* AfxGetApp()
{
    return g_pApp;
}

HINSTANCE AfxGetInstanceHandle()
{
    return g_pApp ? g_pApp->m_hInstance : GetModuleHandleW(nullptr);
}

std::wstring AfxGetAppName()
{
    return g_pApp ? g_pApp->GetAppName() : std::wstring();
}
