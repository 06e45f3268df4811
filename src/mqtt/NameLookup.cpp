#include "mqtt/NameLookup.h"

#include "mqtt/SocketReady.h"

#include <thread>

#ifdef _WIN32
#include <winsock2.h>
#include <ws2tcpip.h>
#else
#include <netdb.h>
#include <sys/socket.h>
#endif

namespace
{
// getaddrinfo's answer as numeric texts, for a connect that must not resolve.
bool Resolve(const std::string& host, int nFlags, std::vector<std::string>& addresses, std::string& error)
{
    addrinfo hints = {};
    hints.ai_family = AF_UNSPEC;
    hints.ai_socktype = SOCK_STREAM;
    hints.ai_flags = nFlags;
    addrinfo* pList = nullptr;
    int rc = getaddrinfo(host.c_str(), nullptr, &hints, &pList);
    if (rc != 0)
    {
#ifdef _WIN32
        // Windows' codes are its socket errors, which the system can word.
        error = SystemErrorText(rc);
#else
        error = gai_strerror(rc);
#endif
        return false;
    }
    for (addrinfo* p = pList; p; p = p->ai_next)
    {
        char szHost[NI_MAXHOST];
        if (getnameinfo(p->ai_addr, static_cast<socklen_t>(p->ai_addrlen), szHost, sizeof szHost, nullptr, 0,
                        NI_NUMERICHOST) == 0)
            addresses.push_back(szHost);
    }
    freeaddrinfo(pList);
    if (addresses.empty())
        error = "no address";
    return !addresses.empty();
}
}

std::shared_ptr<CNameLookup> CNameLookup::Start(const std::string& host)
{
    auto pLookup = std::make_shared<CNameLookup>(host);
    std::vector<std::string> addresses;
    std::string error;
    // A numeric host needs no resolver: no thread, no wait.
    if (Resolve(host, AI_NUMERICHOST, addresses, error))
    {
        pLookup->Finish(addresses, std::string());
        return pLookup;
    }
    try
    {
        std::thread([pLookup] { pLookup->Run(); }).detach();
    }
    catch (const std::exception& e)
    {
        pLookup->Finish({}, std::string("cannot start the name lookup: ") + e.what());
    }
    return pLookup;
}

void CNameLookup::Run()
{
    std::vector<std::string> addresses;
    std::string error;
    Resolve(m_host, 0, addresses, error);
    Finish(addresses, error);
}

void CNameLookup::Finish(std::vector<std::string> addresses, std::string error)
{
    {
        std::lock_guard<std::mutex> lock(m_mutex);
        m_addresses = std::move(addresses);
        m_error = std::move(error);
    }
    m_bDone.store(true, std::memory_order_release);
}

std::vector<std::string> CNameLookup::Addresses() const
{
    std::lock_guard<std::mutex> lock(m_mutex);
    return m_addresses;
}

std::string CNameLookup::Error() const
{
    std::lock_guard<std::mutex> lock(m_mutex);
    return m_error;
}
