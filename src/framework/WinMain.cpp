#include "framework/WinApp.h"

// The program's entry: the one global application object runs everything in
// InitInstance; it returns FALSE when there is no message loop to run.
int WINAPI WinMain(HINSTANCE hInstance, HINSTANCE, LPSTR, int)
{
    CWinApp* pApp = AfxGetApp();
    if (!pApp)
        return 1;
    pApp->m_hInstance = hInstance;
    pApp->ParseCommandLine(GetCommandLineW());
    if (!pApp->InitInstance())
        return pApp->ExitInstance();
    return pApp->Run();
}
