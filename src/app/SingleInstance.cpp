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
    std::wstring name = L"Local\\" + strAppName + L".SingleInstance";
    HANDLE hMutex = CreateMutexW(nullptr, FALSE, name.c_str());
    if (!hMutex)
        return false;
    if (GetLastError() == ERROR_ALREADY_EXISTS)
    {
        CloseHandle(hMutex);
        return false;
    }
    m_hMutex = hMutex;
    return true;
}
