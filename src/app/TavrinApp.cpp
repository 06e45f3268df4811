#include "app/TavrinApp.h"

#include "app/SingleInstance.h"
#include "app/TavrinDlg.h"

BOOL CTavrinApp::InitInstance()
{
    CWinApp::InitInstance();

    CSingleInstance instance;
    if (!instance.Claim(GetAppName()))
        return FALSE;

    CTavrinDlg dlg;
    m_pMainWnd = &dlg;
    dlg.DoModal();
    m_pMainWnd = nullptr;
    return FALSE;
}
