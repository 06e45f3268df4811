#pragma once

#include <vector>

// A loopback listener that never answers, for attempts that must not hang.
// MUTE: the kernel completes each TCP connect, but nobody reads: a broker
// that never answers CONNECT. SILENT: its accept queue is filled first, so
// further SYNs are dropped: a host that is off or behind a firewall.
class CQuietListener
{
public:
    enum EKind
    {
        MUTE,
        SILENT
    };
    explicit CQuietListener(EKind eKind);
    ~CQuietListener();
    CQuietListener(const CQuietListener&) = delete;
    CQuietListener& operator=(const CQuietListener&) = delete;

    int Port() const { return m_nPort; }

private:
    long long m_listener = -1;
    std::vector<long long> m_fillers;
    int m_nPort = -1;
};
