#pragma once

#include <windows.h>

#include <string>

// One instance at a time. Another instance runs when a window of the
// application's class exists, or when its named mutex does (an instance
// still starting, before its window exists). The claim lasts as long as
// the object.
class CSingleInstance
{
public:
    CSingleInstance() = default;
    ~CSingleInstance();
    CSingleInstance(const CSingleInstance&) = delete;
    CSingleInstance& operator=(const CSingleInstance&) = delete;

    // False when another instance runs; its window is restored when it is
    // minimised. A mutex that cannot be created does not stop this one.
    bool Claim(const std::wstring& strAppName);

private:
    HANDLE m_hMutex = nullptr;
};
