#pragma once

#include <atomic>
#include <memory>
#include <mutex>
#include <string>
#include <vector>

// The broker's host name turned into numeric addresses without holding the
// caller: a numeric host is answered at once, a name on a thread of its own.
// The thread shares nothing with the caller but this object, so a lookup that
// never answers can be left behind; it ends when the resolver gives up or
// the process ends.
class CNameLookup
{
public:
    static std::shared_ptr<CNameLookup> Start(const std::string& host);

    const std::string& Host() const { return m_host; }
    bool IsDone() const { return m_bDone.load(std::memory_order_acquire); }
    // Once done: the addresses in the resolver's order, or the error's text.
    std::vector<std::string> Addresses() const;
    std::string Error() const;

    explicit CNameLookup(const std::string& host) : m_host(host) {}

private:
    void Run();
    void Finish(std::vector<std::string> addresses, std::string error);

    const std::string m_host;
    std::atomic<bool> m_bDone{false};
    mutable std::mutex m_mutex;
    std::vector<std::string> m_addresses;
    std::string m_error;
};
