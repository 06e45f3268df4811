#pragma once

#include <string>
#include <sys/types.h>
#include <vector>

std::string ReadFile(const std::string& path);
bool FileExists(const std::string& path);
// The path under Wine's drive Z:, the Linux root.
std::string WinPath(const std::string& unixPath);

// An interrupted run (SIGINT, SIGTERM) kills what it started before it ends.
void KillChildrenOnSignal();
void Track(pid_t pid, bool bOn);

// A process of this benchmark's, its standard input and output piped to it.
class CChild
{
public:
    CChild() = default;
    CChild(const CChild&) = delete;
    CChild& operator=(const CChild&) = delete;
    ~CChild() { Kill(); }

    // Output goes to /dev/null when bQuiet.
    bool Start(const std::vector<std::string>& args, bool bQuiet = false);
    // The next line of output within the time; false at its end or time-out.
    bool ReadLine(std::string& line, int nTimeoutMs);
    // The next line that starts with the word, skipping others.
    bool WaitFor(const std::string& word, std::string& line, int nTimeoutMs);
    void Write(const std::string& text);
    void CloseInput();
    // True once the process has ended, within the time.
    bool Wait(int nTimeoutMs);
    void Kill();

private:
    pid_t m_pid = -1;
    int m_nIn = -1;
    int m_nOut = -1;
    std::string m_buffer;
};

// A process whose command line holds both parts, or 0.
pid_t FindProcess(const std::string& part1, const std::string& part2);
// The wineserver of the prefix: it works for the program on every call that
// crosses processes, so its time belongs to the program's cost.
pid_t FindWineserver(const std::string& prefix);
// User and system time of the process, in seconds.
double CpuSeconds(pid_t pid);
// A "Name:   N kB" line of /proc/PID/status, in kB; -1 when there is none.
long StatusKb(pid_t pid, const char* name);
