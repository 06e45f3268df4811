#include "Processes.h"

#include "BenchTime.h"

#include <algorithm>
#include <climits>
#include <csignal>
#include <cstdlib>
#include <cstring>
#include <dirent.h>
#include <fcntl.h>
#include <fstream>
#include <poll.h>
#include <sstream>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

namespace
{
volatile sig_atomic_t g_pids[16];

extern "C" void OnSignal(int)
{
    for (auto& slot : g_pids)
        if (slot > 0)
            kill(slot, SIGKILL);
    _exit(130);
}

// Each process of this machine, by its number, until visit returns true.
template <class F> pid_t FirstProcess(F visit)
{
    DIR* d = opendir("/proc");
    if (!d)
        return 0;
    pid_t found = 0;
    while (dirent* e = readdir(d))
    {
        pid_t pid = static_cast<pid_t>(std::atoi(e->d_name));
        if (pid > 0 && visit(pid, "/proc/" + std::to_string(pid)))
        {
            found = pid;
            break;
        }
    }
    closedir(d);
    return found;
}
}

std::string ReadFile(const std::string& path)
{
    std::ifstream in(path, std::ios::binary);
    std::ostringstream out;
    out << in.rdbuf();
    return out.str();
}

bool FileExists(const std::string& path)
{
    struct stat st;
    return stat(path.c_str(), &st) == 0;
}

std::string WinPath(const std::string& unixPath)
{
    char buf[PATH_MAX];
    std::string path = "Z:" + std::string(realpath(unixPath.c_str(), buf) ? buf : unixPath.c_str());
    std::replace(path.begin(), path.end(), '/', '\\');
    return path;
}

void KillChildrenOnSignal()
{
    signal(SIGPIPE, SIG_IGN);
    signal(SIGINT, OnSignal);
    signal(SIGTERM, OnSignal);
}

void Track(pid_t pid, bool bOn)
{
    for (auto& slot : g_pids)
        if (bOn ? slot == 0 : slot == pid)
        {
            slot = bOn ? pid : 0;
            return;
        }
}

bool CChild::Start(const std::vector<std::string>& args, bool bQuiet)
{
    int in[2], out[2];
    if (pipe(in) != 0 || pipe(out) != 0)
        return false;
    m_pid = fork();
    if (m_pid == 0)
    {
        dup2(in[0], 0);
        dup2(bQuiet ? open("/dev/null", O_WRONLY) : out[1], 1);
        close(in[0]);
        close(in[1]);
        close(out[0]);
        close(out[1]);
        std::vector<char*> argv;
        for (const std::string& a : args)
            argv.push_back(const_cast<char*>(a.c_str()));
        argv.push_back(nullptr);
        execvp(argv[0], argv.data());
        _exit(127);
    }
    close(in[0]);
    close(out[1]);
    m_nIn = in[1];
    m_nOut = out[0];
    Track(m_pid, true);
    return m_pid > 0;
}

bool CChild::ReadLine(std::string& line, int nTimeoutMs)
{
    const auto tEnd = Clock::now() + std::chrono::milliseconds(nTimeoutMs);
    for (;;)
    {
        size_t nl = m_buffer.find('\n');
        if (nl != std::string::npos)
        {
            line = m_buffer.substr(0, nl);
            if (!line.empty() && line.back() == '\r')
                line.pop_back();
            m_buffer.erase(0, nl + 1);
            return true;
        }
        int nLeft = MsLeft(tEnd);
        if (nLeft <= 0 || m_nOut < 0)
            return false;
        pollfd pfd = {m_nOut, POLLIN, 0};
        if (poll(&pfd, 1, nLeft) <= 0)
            continue;
        char buf[4096];
        ssize_t n = read(m_nOut, buf, sizeof buf);
        if (n <= 0)
        {
            close(m_nOut);
            m_nOut = -1;
            return false;
        }
        m_buffer.append(buf, static_cast<size_t>(n));
    }
}

bool CChild::WaitFor(const std::string& word, std::string& line, int nTimeoutMs)
{
    const auto tEnd = Clock::now() + std::chrono::milliseconds(nTimeoutMs);
    while (Clock::now() < tEnd)
    {
        if (!ReadLine(line, MsLeft(tEnd)))
            return false;
        if (line.compare(0, word.size(), word) == 0)
            return true;
    }
    return false;
}

void CChild::Write(const std::string& text)
{
    if (m_nIn >= 0 && write(m_nIn, text.data(), text.size()) < 0)
        CloseInput();
}

void CChild::CloseInput()
{
    if (m_nIn >= 0)
        close(m_nIn);
    m_nIn = -1;
}

bool CChild::Wait(int nTimeoutMs)
{
    if (m_pid <= 0)
        return true;
    const auto tEnd = Clock::now() + std::chrono::milliseconds(nTimeoutMs);
    for (;;)
    {
        if (waitpid(m_pid, nullptr, WNOHANG) == m_pid)
        {
            Track(m_pid, false);
            m_pid = -1;
            return true;
        }
        if (Clock::now() >= tEnd)
            return false;
        SleepMs(1);
    }
}

void CChild::Kill()
{
    CloseInput();
    if (m_pid > 0)
    {
        kill(m_pid, SIGKILL);
        waitpid(m_pid, nullptr, 0);
        Track(m_pid, false);
        m_pid = -1;
    }
    if (m_nOut >= 0)
        close(m_nOut);
    m_nOut = -1;
}

pid_t FindProcess(const std::string& part1, const std::string& part2)
{
    return FirstProcess([&](pid_t, const std::string& base) {
        std::string cmd = ReadFile(base + "/cmdline");
        return cmd.find(part1) != std::string::npos && cmd.find(part2) != std::string::npos;
    });
}

pid_t FindWineserver(const std::string& prefix)
{
    return FirstProcess([&](pid_t, const std::string& base) {
        return ReadFile(base + "/comm").find("wineserver") == 0 &&
               ReadFile(base + "/environ").find("WINEPREFIX=" + prefix + '\0') != std::string::npos;
    });
}

double CpuSeconds(pid_t pid)
{
    if (pid <= 0)
        return 0;
    std::string stat = ReadFile("/proc/" + std::to_string(pid) + "/stat");
    size_t p = stat.rfind(')');
    if (p == std::string::npos)
        return 0;
    std::istringstream in(stat.substr(p + 2));
    std::string field;
    unsigned long long utime = 0, stime = 0;
    for (int i = 3; i <= 15 && in >> field; ++i)
    {
        if (i == 14)
            utime = std::strtoull(field.c_str(), nullptr, 10);
        if (i == 15)
            stime = std::strtoull(field.c_str(), nullptr, 10);
    }
    return static_cast<double>(utime + stime) / static_cast<double>(sysconf(_SC_CLK_TCK));
}

long StatusKb(pid_t pid, const char* name)
{
    std::istringstream in(ReadFile("/proc/" + std::to_string(pid) + "/status"));
    std::string line;
    const size_t n = std::strlen(name);
    while (std::getline(in, line))
        if (line.compare(0, n, name) == 0 && line.size() > n && line[n] == ':')
            return std::atol(line.c_str() + n + 1);
    return -1;
}
