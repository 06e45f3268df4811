#include "framework/MessageBox.h"

#include "framework/WinApp.h"
#include "framework/Wnd.h"

int AfxMessageBox(const std::wstring& text, UINT nType, UINT)
{
    if ((nType & MB_TYPEMASK) == MB_OK && (nType & MB_ICONMASK) == 0)
        nType |= MB_ICONEXCLAMATION;
    HWND hOwner = GetActiveWindow();
    CWinApp* pApp = AfxGetApp();
    if (!hOwner && pApp && pApp->m_pMainWnd)
        hOwner = pApp->m_pMainWnd->GetSafeHwnd();
    return MessageBoxW(hOwner, text.c_str(), AfxGetAppName().c_str(), nType);
}
