#include "app/TavrinApp.h"

#include "app/SingleInstance.h"
#include "app/TavrinDlg.h"

BOOL CTavrinApp::InitInstance()
{
    CWinApp::InitInstance();

    CSingleInstance instance;
    if (!instance.Claim(GetAppName()))
    {
        // Only a minimised first instance is touched; shown or hidden stays so.
        HWND hOther = FindWindowW(GetAppName().c_str(), nullptr);
        if (hOther && IsIconic(hOther))
            ShowWindow(hOther, SW_RESTORE);
        return FALSE;
    }

    CTavrinDlg dlg;
    m_pMainWnd = &dlg;
    dlg.DoModal();
    m_pMainWnd = nullptr;
    return FALSE;
}
