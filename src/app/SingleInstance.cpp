#include "app/SingleInstance.h"

CSingleInstance::~CSingleInstance()
{
    if (m_hMutex)
        CloseHandle(m_hMutex);
}

bool CSingleInstance::Claim(const std::wstring& strAppName)
{
    if (m_hMutex)
        return true;

    // Only a minimised first instance is touched; shown or hidden stays so.
    if (HWND hOther = FindWindowW(strAppName.c_str(), nullptr))
    {
        if (IsIconic(hOther))
            ShowWindow(hOther, SW_RESTORE);
        return false;
    }

    std::wstring name = L"Local\\" + strAppName + L".SingleInstance";
    HANDLE hMutex = CreateMutexW(nullptr, FALSE, name.c_str());
    if (!hMutex)
        return true; // the window search above is the check then
    if (GetLastError() == ERROR_ALREADY_EXISTS)
    {
        CloseHandle(hMutex);
        return false;
    }
    m_hMutex = hMutex;
    return true;
}
