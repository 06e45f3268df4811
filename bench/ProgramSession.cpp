#include "ProgramSession.h"

#include "Bench.h"
#include "BenchTime.h"
#include "StreamConsumer.h"
#include "mqtt/LinkFacts.h"

#include <cstdio>
#include <fstream>
#include <signal.h>
#include <sys/stat.h>
#include <unistd.h>

bool CProgramSession::Start(const std::string& exe)
{
    static int s_nSession = 0;
    m_dir = "/tmp/tavrin-bench-" + std::to_string(getpid()) + "-" + std::to_string(++s_nSession);
    mkdir(m_dir.c_str(), 0755);
    // No reconnect during a run: the pause outlasts every scenario.
    std::ofstream(m_dir + "/Tavrin.ini", std::ios::binary)
        << "[RobotMqttService]\r\nip=127.0.0.1\r\nport=" << m_bench.broker.Port()
        << "\r\nreconnect-sec=3600\r\nclient-id=" << BENCH_CLIENT_ID << "\r\n";
    const size_t nFrom = m_bench.broker.LogSize();
    if (!m_probe.Start({m_bench.opt.wine, m_bench.opt.win64 + "/bench/board_probe.exe", WinPath(exe), WinPath(m_dir)}))
        return false;
    std::string line;
    if (!m_probe.WaitFor("window", line, 180000))
    {
        std::fprintf(stderr, "program_bench: no window from %s (%s)\n", exe.c_str(), line.c_str());
        return false;
    }
    m_pid = FindProcess("Tavrin.exe", m_dir.substr(m_dir.rfind('/') + 1));
    if (m_pid > 0)
        Track(m_pid, true);
    if (!m_bench.broker.WaitLog(std::string(BENCH_CLIENT_ID) + " 1 " + Link::TOPIC_FILTER, nFrom, 30000))
    {
        std::fprintf(stderr, "program_bench: the program did not subscribe\n");
        return false;
    }
    return true;
}

bool CProgramSession::WaitMarker(long long& tMarker, std::vector<std::pair<long long, long long>>* pSeen,
                                 int nTimeoutMs)
{
    const auto tEnd = Clock::now() + std::chrono::milliseconds(nTimeoutMs);
    std::string line;
    while (Clock::now() < tEnd)
    {
        // While the board moves, the probe reports each newer number; a
        // minute without one is a program that has stopped taking messages.
        if (!m_probe.ReadLine(line, std::min(MsLeft(tEnd), 60000)))
            return false;
        m_lastLine = line;
        long long a = 0, b = 0;
        if (pSeen && std::sscanf(line.c_str(), "seen %lld %lld", &a, &b) == 2)
            pSeen->push_back({a, b});
        else if (std::sscanf(line.c_str(), "marker %lld", &a) == 1)
        {
            tMarker = a;
            return true;
        }
    }
    return false;
}

std::string CProgramSession::Diagnosis()
{
    std::string result = "the probe saw last: " + m_lastLine;
    m_probe.Write("dump\n");
    std::string line;
    if (m_probe.WaitFor("dump", line, 15000))
        result += "; the window shows now: " + line.substr(5);
    return result;
}

void CProgramSession::Quit()
{
    if (m_dir.empty())
        return;
    m_probe.Write("quit\n");
    std::string line;
    m_probe.WaitFor("exited", line, 30000);
    m_probe.CloseInput();
    if (!m_probe.Wait(30000))
        m_probe.Kill();
    if (m_pid > 0)
    {
        if (kill(m_pid, 0) == 0)
            kill(m_pid, SIGKILL);
        Track(m_pid, false);
        m_pid = 0;
    }
    unlink((m_dir + "/Tavrin.ini").c_str());
    rmdir(m_dir.c_str());
    m_dir.clear();
}
