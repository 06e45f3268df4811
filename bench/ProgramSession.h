#pragma once

#include "Processes.h"

#include <string>
#include <utility>
#include <vector>

struct SBench;

// Tavrin.exe under Wine on a private folder with its INI file, started and
// read by the probe (board_probe.exe) across processes.
class CProgramSession
{
public:
    explicit CProgramSession(SBench& bench) : m_bench(bench) {}
    ~CProgramSession() { Quit(); }
    CProgramSession(const CProgramSession&) = delete;
    CProgramSession& operator=(const CProgramSession&) = delete;

    // Until its window is there and its subscription is in place.
    bool Start(const std::string& exe);
    // The probe reads the board every nMs, or stops reading.
    void Watch(int nMs) { m_probe.Write("watch " + std::to_string(nMs) + "\n"); }
    void Idle() { m_probe.Write("idle\n"); }
    // Until the marker shows (its time, in microseconds since 1970), the
    // time is up, or no newer number has shown for a minute; records each
    // newer number that shows, with its time.
    bool WaitMarker(long long& tMarker, std::vector<std::pair<long long, long long>>* pSeen, int nTimeoutMs);
    // What the probe saw last and what the window shows now, for a failure.
    std::string Diagnosis();
    void Quit();

    pid_t Pid() const { return m_pid; }

private:
    SBench& m_bench;
    CChild m_probe;
    std::string m_lastLine;
    std::string m_dir;
    pid_t m_pid = 0;
};
