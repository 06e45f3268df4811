#pragma once

#include <windows.h>

#include <string>

// A named mutex per application name, so that two starts at the same moment
// cannot both run. The claim lasts as long as the object.
class CSingleInstance
{
public:
    CSingleInstance() = default;
    ~CSingleInstance();
    CSingleInstance(const CSingleInstance&) = delete;
    CSingleInstance& operator=(const CSingleInstance&) = delete;

    // False when another instance holds the claim.
    bool Claim(const std::wstring& strAppName);

private:
    HANDLE m_hMutex = nullptr;
};
