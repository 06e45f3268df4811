#include "OtherLoad.h"

#include "Processes.h"

#include <cstdlib>
#include <dirent.h>
#include <sstream>
#include <unistd.h>

namespace
{
// Busy and all ticks of every core together, from /proc/stat.
void CoreTicks(unsigned long long& nBusy, unsigned long long& nAll)
{
    std::istringstream in(ReadFile("/proc/stat"));
    std::string cpu;
    unsigned long long v[8] = {};
    in >> cpu;
    for (auto& x : v)
        in >> x;
    // user nice system [idle iowait] irq softirq steal
    nBusy = v[0] + v[1] + v[2] + v[5] + v[6] + v[7];
    nAll = nBusy + v[3] + v[4];
}
}

COtherLoad::COtherLoad(int nBrokerGroup) : m_nBrokerGroup(nBrokerGroup), m_t0(Clock::now())
{
    Sample(m_nBusy0, m_nOurs0);
}

double COtherLoad::Cores() const
{
    unsigned long long nBusy = 0, nOurs = 0;
    Sample(nBusy, nOurs);
    double dTicks = static_cast<double>(nBusy - m_nBusy0) - static_cast<double>(nOurs - m_nOurs0);
    double dSeconds = std::chrono::duration<double>(Clock::now() - m_t0).count();
    return dSeconds > 0 ? std::max(0.0, dTicks / static_cast<double>(sysconf(_SC_CLK_TCK)) / dSeconds) : 0;
}

void COtherLoad::Sample(unsigned long long& nBusy, unsigned long long& nOurs) const
{
    unsigned long long nAll = 0;
    CoreTicks(nBusy, nAll);
    nOurs = 0;
    const char* pszPrefix = std::getenv("WINEPREFIX");
    const char* pszDisplay = std::getenv("DISPLAY");
    const std::string prefix = std::string("WINEPREFIX=") + (pszPrefix ? pszPrefix : "") + '\0';
    const std::string xvfb = std::string("Xvfb") + '\0' + (pszDisplay ? pszDisplay : "-") + '\0';
    DIR* d = opendir("/proc");
    while (dirent* e = d ? readdir(d) : nullptr)
    {
        pid_t pid = static_cast<pid_t>(std::atoi(e->d_name));
        if (pid <= 0)
            continue;
        const std::string base = "/proc/" + std::to_string(pid);
        std::string stat = ReadFile(base + "/stat");
        size_t p = stat.rfind(')');
        if (p == std::string::npos)
            continue;
        // From the state on: state ppid pgrp ... utime(14) stime cutime cstime(17).
        std::istringstream f(stat.substr(p + 2));
        std::string field;
        unsigned long long nTicks = 0;
        int nGroup = -1;
        for (int i = 3; i <= 17 && f >> field; ++i)
        {
            if (i == 5)
                nGroup = std::atoi(field.c_str());
            if (i >= 14)
                nTicks += std::strtoull(field.c_str(), nullptr, 10);
        }
        bool bOurs = pid == getpid() || (m_nBrokerGroup > 0 && nGroup == m_nBrokerGroup);
        if (!bOurs && pszPrefix)
            bOurs = ReadFile(base + "/environ").find(prefix) != std::string::npos;
        if (!bOurs)
            bOurs = ReadFile(base + "/cmdline").find(xvfb) != std::string::npos;
        if (bOurs)
            nOurs += nTicks;
    }
    if (d)
        closedir(d);
}

CMachineBusy::CMachineBusy()
{
    CoreTicks(m_nBusy, m_nAll);
}

double CMachineBusy::Percent()
{
    unsigned long long nBusy = 0, nAll = 0;
    CoreTicks(nBusy, nAll);
    double d = nAll > m_nAll ? 100.0 * static_cast<double>(nBusy - m_nBusy) / static_cast<double>(nAll - m_nAll) : 0;
    m_nBusy = nBusy;
    m_nAll = nAll;
    return d;
}
