// The whole program under load, measured from outside: a private mosquitto
// broker, a native publisher in this process, and the real Tavrin.exe under
// Wine, whose status board a probe (board_probe.exe) reads across processes.
// The same stream also goes to mosquitto_sub and to the portable core alone
// (core_stream, natively and under Wine) for comparison in the same run.
//
//   program_bench [options] [burst] [rate] [idle] [memory]
//     --win64 DIR        the MinGW build (Tavrin.exe, onecall/, bench/)
//     --native DIR       this build (bench/core_stream)
//     --wine SCRIPT      runs a Windows program (scripts/wine-run.sh)
//     --n N              burst size (20000)
//     --n-one N          burst size for one loop call per poll (1000)
//     --runs K           repeat burst and rate K times, print the median (1)
//     --idle-seconds S   length of each idle phase (60)
//     --memory-high N    messages for the second memory reading (200000)
//     --consumers LIST   burst consumers (sub,core,core-wine,program,onecall)
//   Without a scenario name, all four run.
//
// Every message carries its sequence number after a '#' in the name that
// its title gives (the board shows it in RobotDetail or CallDetail) and its
// publish time in the content. Because one broker connection delivers in
// order and the program handles messages one after another, every message
// up to the newest one on the board has been through the board: a
// message's board time is the first moment the probe sees its number or a
// later one, and its delay is that minus its publish time.
#include <mosquitto.h>

#include <algorithm>
#include <atomic>
#include <cerrno>
#include <climits>
#include <cmath>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <fcntl.h>
#include <fstream>
#include <netinet/in.h>
#include <poll.h>
#include <set>
#include <signal.h>
#include <sstream>
#include <string>
#include <sys/socket.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <dirent.h>
#include <thread>
#include <unistd.h>
#include <vector>

namespace
{
typedef std::chrono::steady_clock Clock;

long long NowMicros()
{
    return std::chrono::duration_cast<std::chrono::microseconds>(
               std::chrono::system_clock::now().time_since_epoch())
        .count();
}

void SleepMs(int ms)
{
    std::this_thread::sleep_for(std::chrono::milliseconds(ms));
}

std::string Absolute(const std::string& path)
{
    char buf[PATH_MAX];
    return realpath(path.c_str(), buf) ? std::string(buf) : path;
}

// The path under Wine's drive Z:, the Linux root.
std::string WinPath(const std::string& unixPath)
{
    std::string path = "Z:" + Absolute(unixPath);
    std::replace(path.begin(), path.end(), '/', '\\');
    return path;
}

bool FileExists(const std::string& path)
{
    struct stat st;
    return stat(path.c_str(), &st) == 0;
}

std::string ReadFile(const std::string& path)
{
    std::ifstream in(path, std::ios::binary);
    std::ostringstream out;
    out << in.rdbuf();
    return out.str();
}

int FreeLoopbackPort()
{
    int s = socket(AF_INET, SOCK_STREAM, 0);
    sockaddr_in addr = {};
    addr.sin_family = AF_INET;
    addr.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    socklen_t len = sizeof addr;
    int nPort = -1;
    if (bind(s, reinterpret_cast<sockaddr*>(&addr), sizeof addr) == 0 &&
        getsockname(s, reinterpret_cast<sockaddr*>(&addr), &len) == 0)
        nPort = ntohs(addr.sin_port);
    close(s);
    return nPort;
}

// ---------------------------------------------------------------- processes

// What an interrupted run leaves behind is ended with it.
volatile sig_atomic_t g_pids[16];

void Track(pid_t pid, bool bOn)
{
    for (auto& slot : g_pids)
        if (bOn ? slot == 0 : slot == pid)
        {
            slot = bOn ? pid : 0;
            return;
        }
}

extern "C" void OnSignal(int)
{
    for (auto& slot : g_pids)
        if (slot > 0)
            kill(slot, SIGKILL);
    _exit(130);
}

class CChild
{
public:
    CChild() = default;
    CChild(const CChild&) = delete;
    CChild& operator=(const CChild&) = delete;
    ~CChild() { Kill(); }

    // Standard input and output are pipes to this process unless bQuiet,
    // when output goes to /dev/null.
    bool Start(const std::vector<std::string>& args, bool bQuiet = false)
    {
        int in[2], out[2];
        if (pipe(in) != 0 || pipe(out) != 0)
            return false;
        m_pid = fork();
        if (m_pid == 0)
        {
            dup2(in[0], 0);
            if (bQuiet)
            {
                int null = open("/dev/null", O_WRONLY);
                dup2(null, 1);
            }
            else
                dup2(out[1], 1);
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

    bool ReadLine(std::string& line, int nTimeoutMs)
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
            int nLeft = static_cast<int>(
                std::chrono::duration_cast<std::chrono::milliseconds>(tEnd - Clock::now()).count());
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

    // The next line that starts with the word, skipping others.
    bool WaitFor(const std::string& word, std::string& line, int nTimeoutMs)
    {
        const auto tEnd = Clock::now() + std::chrono::milliseconds(nTimeoutMs);
        while (Clock::now() < tEnd)
        {
            int nLeft = static_cast<int>(
                std::chrono::duration_cast<std::chrono::milliseconds>(tEnd - Clock::now()).count());
            if (!ReadLine(line, nLeft))
                return false;
            if (line.compare(0, word.size(), word) == 0)
                return true;
        }
        return false;
    }

    void Write(const std::string& text)
    {
        if (m_nIn >= 0 && write(m_nIn, text.data(), text.size()) < 0)
            CloseInput();
    }
    void CloseInput()
    {
        if (m_nIn >= 0)
            close(m_nIn);
        m_nIn = -1;
    }

    // True once the process has ended, within the time.
    bool Wait(int nTimeoutMs)
    {
        if (m_pid <= 0)
            return true;
        const auto tEnd = Clock::now() + std::chrono::milliseconds(nTimeoutMs);
        for (;;)
        {
            int status = 0;
            if (waitpid(m_pid, &status, WNOHANG) == m_pid)
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

    void Kill()
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

private:
    pid_t m_pid = -1;
    int m_nIn = -1;
    int m_nOut = -1;
    std::string m_buffer;
};

// A process of this machine by a part of its command line, or 0.
pid_t FindProcess(const std::string& part1, const std::string& part2)
{
    DIR* d = opendir("/proc");
    if (!d)
        return 0;
    pid_t found = 0;
    while (dirent* e = readdir(d))
    {
        pid_t pid = static_cast<pid_t>(std::atoi(e->d_name));
        if (pid <= 0)
            continue;
        std::string cmd = ReadFile("/proc/" + std::to_string(pid) + "/cmdline");
        if (cmd.find(part1) != std::string::npos && cmd.find(part2) != std::string::npos)
        {
            found = pid;
            break;
        }
    }
    closedir(d);
    return found;
}

// The wineserver of the prefix: it works for the program on every call
// that crosses processes, so its time belongs to the program's cost.
pid_t FindWineserver(const std::string& prefix)
{
    DIR* d = opendir("/proc");
    if (!d)
        return 0;
    pid_t found = 0;
    while (dirent* e = readdir(d))
    {
        pid_t pid = static_cast<pid_t>(std::atoi(e->d_name));
        if (pid <= 0)
            continue;
        std::string base = "/proc/" + std::to_string(pid);
        if (ReadFile(base + "/comm").find("wineserver") != 0)
            continue;
        std::string env = ReadFile(base + "/environ");
        if (env.find("WINEPREFIX=" + prefix + '\0') != std::string::npos)
        {
            found = pid;
            break;
        }
    }
    closedir(d);
    return found;
}

// User and system time of the process, in seconds.
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

// A "Name:   N kB" line of /proc/PID/status, in kB.
long StatusKb(pid_t pid, const char* name)
{
    std::istringstream in(ReadFile("/proc/" + std::to_string(pid) + "/status"));
    std::string line;
    while (std::getline(in, line))
        if (line.compare(0, std::strlen(name), name) == 0 && line[std::strlen(name)] == ':')
            return std::atol(line.c_str() + std::strlen(name) + 1);
    return -1;
}

// How much of the machine went to other programs while a run measured:
// every core's busy time, less that of this benchmark's own processes (this
// one, the broker, Xvfb, and every process of its Wine prefix).
class COtherLoad
{
public:
    void Start()
    {
        m_t0 = Clock::now();
        Sample(m_nBusy0, m_nOurs0);
    }
    // In cores: 1.0 is one core taken away for the whole run.
    double Cores()
    {
        unsigned long long nBusy = 0, nOurs = 0;
        Sample(nBusy, nOurs);
        double dTicks = static_cast<double>(nBusy - m_nBusy0) - static_cast<double>(nOurs - m_nOurs0);
        double dSeconds = std::chrono::duration<double>(Clock::now() - m_t0).count();
        return dSeconds > 0 ? std::max(0.0, dTicks / static_cast<double>(sysconf(_SC_CLK_TCK)) / dSeconds) : 0;
    }
    static pid_t s_broker;

private:
    static void Sample(unsigned long long& nBusy, unsigned long long& nOurs)
    {
        std::istringstream in(ReadFile("/proc/stat"));
        std::string cpu;
        unsigned long long v[8] = {};
        in >> cpu;
        for (auto& x : v)
            in >> x;
        nBusy = v[0] + v[1] + v[2] + v[5] + v[6] + v[7];
        nOurs = 0;
        const char* pszPrefix = std::getenv("WINEPREFIX");
        const char* pszDisplay = std::getenv("DISPLAY");
        std::string prefix = std::string("WINEPREFIX=") + (pszPrefix ? pszPrefix : "") + '\0';
        std::string xvfb = std::string("Xvfb") + '\0' + (pszDisplay ? pszDisplay : "-") + '\0';
        DIR* d = opendir("/proc");
        dirent* e = nullptr;
        while (d && (e = readdir(d)) != nullptr)
        {
            pid_t pid = static_cast<pid_t>(std::atoi(e->d_name));
            if (pid <= 0)
                continue;
            std::string base = "/proc/" + std::to_string(pid);
            bool bOurs = pid == getpid() || pid == s_broker;
            if (!bOurs && pszPrefix)
                bOurs = ReadFile(base + "/environ").find(prefix) != std::string::npos;
            if (!bOurs)
                bOurs = ReadFile(base + "/cmdline").find(xvfb) != std::string::npos;
            if (bOurs)
            {
                // The process's own time and that of its ended children.
                std::string stat = ReadFile(base + "/stat");
                size_t p = stat.rfind(')');
                if (p == std::string::npos)
                    continue;
                std::istringstream f(stat.substr(p + 2));
                std::string field;
                for (int i = 3; i <= 17 && f >> field; ++i)
                    if (i >= 14)
                        nOurs += std::strtoull(field.c_str(), nullptr, 10);
            }
        }
        if (d)
            closedir(d);
    }

    unsigned long long m_nBusy0 = 0, m_nOurs0 = 0;
    Clock::time_point m_t0;
};
pid_t COtherLoad::s_broker = 0;

// ---------------------------------------------------------------- broker

class CBroker
{
public:
    ~CBroker()
    {
        Stop();
        if (!m_dir.empty())
        {
            unlink((m_dir + "/mosquitto.conf").c_str());
            unlink((m_dir + "/mosquitto.log").c_str());
            rmdir(m_dir.c_str());
        }
    }

    bool Start()
    {
        if (m_dir.empty())
        {
            char tmpl[] = "/tmp/tavrin-bench-broker-XXXXXX";
            if (!mkdtemp(tmpl))
                return false;
            m_dir = tmpl;
            do
                m_nPort = FreeLoopbackPort();
            while (m_nPort == 1883);
            std::ofstream conf(m_dir + "/mosquitto.conf");
            conf << "listener " << m_nPort << " 127.0.0.1\n"
                 << "allow_anonymous true\n"
                 << "persistence false\n"
                 << "user root\n"
                 // The slow consumer's backlog must wait at the broker, not be dropped.
                 << "max_queued_messages 0\n"
                 << "log_dest file " << m_dir << "/mosquitto.log\n"
                 << "log_type error\nlog_type warning\nlog_type notice\nlog_type information\n"
                 // The line "<client id> <qos> <filter>" tells when a consumer is ready.
                 << "log_type subscribe\n";
        }
        size_t nFrom = LogSize();
        m_pid = fork();
        if (m_pid == 0)
        {
            int null = open("/dev/null", O_RDWR);
            dup2(null, 0);
            dup2(null, 1);
            dup2(null, 2);
            execl("/usr/sbin/mosquitto", "mosquitto", "-c", (m_dir + "/mosquitto.conf").c_str(), (char*)nullptr);
            _exit(127);
        }
        Track(m_pid, true);
        COtherLoad::s_broker = m_pid;
        return WaitLog(" running", nFrom, 10000);
    }

    void Stop()
    {
        if (m_pid <= 0)
            return;
        kill(m_pid, SIGTERM);
        waitpid(m_pid, nullptr, 0);
        Track(m_pid, false);
        m_pid = -1;
    }

    int Port() const { return m_nPort; }
    size_t LogSize() const { return ReadFile(m_dir + "/mosquitto.log").size(); }

    bool WaitLog(const std::string& what, size_t nFrom, int nTimeoutMs) const
    {
        const auto tEnd = Clock::now() + std::chrono::milliseconds(nTimeoutMs);
        do
        {
            std::string log = ReadFile(m_dir + "/mosquitto.log");
            if (log.size() > nFrom && log.find(what, nFrom) != std::string::npos)
                return true;
            SleepMs(20);
        } while (Clock::now() < tEnd);
        return false;
    }

private:
    std::string m_dir;
    int m_nPort = 0;
    pid_t m_pid = -1;
};

// ---------------------------------------------------------------- stream

const char* const BURST_TITLES[] = {
    "guide:start:김민수", "call:3:add:박지훈", "idle", "guide:guide:Lee Jiwoo", "call:2:remove:최서연",
    "return", "guide:ok:정하은", "call:4:cancel:Kim", "accept", "call:1:ignore:한지민",
};
// Every one of these names a person, so the board shows every message's number.
const char* const NAMED_TITLES[] = {
    "guide:start:김민수", "call:3:add:박지훈", "guide:call:Lee Jiwoo", "call:2:remove:최서연",
    "guide:abort:정하은", "call:4:cancel:Kim", "guide:ok:한지민", "call:1:ignore:오세훈",
};

std::string Title(long long nSeq, bool bNamedOnly)
{
    std::string title = bNamedOnly ? NAMED_TITLES[nSeq % 8] : BURST_TITLES[nSeq % 10];
    if (title.find(':') != std::string::npos)
        title += "#" + std::to_string(nSeq);
    return title;
}

std::string Payload(long long nSeq, const std::string& title, long long tPublish)
{
    return "{\"id\":\"" + std::to_string(nSeq) +
           "\",\"version\":\"1.0\",\"timestamp\":\"2024-05-01T09:00:00\",\"correlationId\":\"bench-" +
           std::to_string(nSeq) + "\",\"request\":{\"title\":\"" + title + "\",\"content\":\"" +
           std::to_string(nSeq) + " t=" + std::to_string(tPublish) + " 안내 요청을 처리했습니다\"}}";
}

// The robot system's server, natively: QoS 0, as fast as the broker takes
// the bytes, or paced.
class CPublisher
{
public:
    explicit CPublisher(int nPort)
    {
        m_pMosq = mosquitto_new(nullptr, true, nullptr);
        m_bOk = m_pMosq && mosquitto_connect(m_pMosq, "127.0.0.1", nPort, 60) == MOSQ_ERR_SUCCESS;
    }
    ~CPublisher()
    {
        if (m_pMosq)
        {
            Flush();
            mosquitto_disconnect(m_pMosq);
            mosquitto_destroy(m_pMosq);
        }
    }
    bool IsOk() const { return m_bOk; }

    // Returns the publish time stamped into the content.
    long long Publish(long long nSeq, bool bNamedOnly, bool bMarker = false)
    {
        long long t = NowMicros();
        std::string title = bMarker ? "guide:ok:MARKER#" + std::to_string(nSeq) : Title(nSeq, bNamedOnly);
        std::string payload = Payload(nSeq, title, t);
        mosquitto_publish(m_pMosq, nullptr, "server/sendMessage", static_cast<int>(payload.size()),
                          payload.data(), 0, false);
        Flush();
        if (++m_nCount % 256 == 0)
            mosquitto_loop(m_pMosq, 0, 1);
        return t;
    }

    // Until the library holds nothing more to send.
    void Flush()
    {
        while (mosquitto_want_write(m_pMosq))
        {
            pollfd pfd = {mosquitto_socket(m_pMosq), POLLOUT, 0};
            poll(&pfd, 1, 100);
            if (mosquitto_loop_write(m_pMosq, 1) != MOSQ_ERR_SUCCESS)
                break;
        }
    }

private:
    mosquitto* m_pMosq = nullptr;
    bool m_bOk = false;
    long long m_nCount = 0;
};

// Publishes messages nFirst to nFirst + nCount - 1, then the marker with the
// next number; at nRate a second, or as fast as possible when 0. Publish
// times go to times[seq - nFirst].
void PublishStream(int nPort, long long nFirst, long long nCount, int nRate, bool bNamedOnly,
                   std::vector<long long>& times)
{
    times.assign(static_cast<size_t>(nCount + 1), 0);
    CPublisher pub(nPort);
    if (!pub.IsOk())
        return;
    const auto tStart = Clock::now();
    for (long long i = 0; i < nCount; ++i)
    {
        if (nRate > 0)
            std::this_thread::sleep_until(tStart + std::chrono::microseconds(i * 1000000 / nRate));
        times[static_cast<size_t>(i)] = pub.Publish(nFirst + i, bNamedOnly);
    }
    times[static_cast<size_t>(nCount)] = pub.Publish(nFirst + nCount, bNamedOnly, true);
}

// ---------------------------------------------------------------- statistics

double Median(std::vector<double> v)
{
    if (v.empty())
        return 0;
    std::sort(v.begin(), v.end());
    size_t n = v.size();
    return n % 2 ? v[n / 2] : (v[n / 2 - 1] + v[n / 2]) / 2;
}

// Nearest rank.
double Percentile(std::vector<double> v, double p)
{
    if (v.empty())
        return 0;
    std::sort(v.begin(), v.end());
    size_t k = static_cast<size_t>(std::ceil(p / 100.0 * static_cast<double>(v.size())));
    return v[k == 0 ? 0 : k - 1];
}

// ---------------------------------------------------------------- the program

struct SOptions
{
    std::string win64 = "build/win64";
    std::string native = "build/bench-native";
    std::string wine = "scripts/wine-run.sh";
    long long n = 20000;
    long long nOne = 1000;
    int nRuns = 1;
    int nIdleSeconds = 60;
    long long nMemoryHigh = 200000;
    std::string consumers = "sub,core,core-wine,program,onecall";
};

SOptions g_opt;
std::string g_prefix;

// Tavrin.exe started by the probe on a private folder with its INI file.
class CProgramSession
{
public:
    ~CProgramSession() { Quit(); }

    bool Start(const std::string& exe, const CBroker& broker)
    {
        static int s_nSession = 0;
        m_dir = "/tmp/tavrin-bench-" + std::to_string(getpid()) + "-" + std::to_string(++s_nSession);
        mkdir(m_dir.c_str(), 0755);
        // No reconnect during a run: the pause outlasts every scenario.
        std::ofstream(m_dir + "/Tavrin.ini", std::ios::binary)
            << "[RobotMqttService]\r\nip=127.0.0.1\r\nport=" << broker.Port() << "\r\nreconnect-sec=3600\r\n";
        size_t nFrom = broker.LogSize();
        if (!m_probe.Start({g_opt.wine, g_opt.win64 + "/bench/board_probe.exe", WinPath(exe), WinPath(m_dir)}))
            return false;
        std::string line;
        if (!m_probe.WaitFor("window", line, 180000))
        {
            std::fprintf(stderr, "program_bench: no window from %s (%s)\n", exe.c_str(), line.c_str());
            return false;
        }
        std::string dirName = m_dir.substr(m_dir.rfind('/') + 1);
        m_pid = FindProcess("Tavrin.exe", dirName);
        if (m_pid > 0)
            Track(m_pid, true);
        if (!broker.WaitLog("tavrin 1 server/#", nFrom, 30000))
        {
            std::fprintf(stderr, "program_bench: the program did not subscribe\n");
            return false;
        }
        m_bStarted = true;
        return true;
    }

    void Watch(int nMs) { m_probe.Write("watch " + std::to_string(nMs) + "\n"); }
    void Idle() { m_probe.Write("idle\n"); }

    // Until the marker shows; records every newer number that shows.
    bool WaitMarker(long long& tMarker, std::vector<std::pair<long long, long long>>* pSeen, int nTimeoutMs)
    {
        const auto tEnd = Clock::now() + std::chrono::milliseconds(nTimeoutMs);
        std::string line;
        while (Clock::now() < tEnd)
        {
            int nLeft = static_cast<int>(
                std::chrono::duration_cast<std::chrono::milliseconds>(tEnd - Clock::now()).count());
            if (!m_probe.ReadLine(line, nLeft))
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

    pid_t Pid() const { return m_pid; }
    const std::string& LastLine() const { return m_lastLine; }

    // What the probe saw last and what the window shows now, for a failure.
    std::string Diagnosis()
    {
        std::string result = "last: " + m_lastLine;
        m_probe.Write("dump\n");
        std::string line;
        if (m_probe.WaitFor("dump", line, 15000))
            result += "; now: " + line.substr(5);
        return result;
    }

    void Quit()
    {
        if (!m_bStarted && m_dir.empty())
            return;
        m_probe.Write("quit\n");
        std::string line;
        m_probe.WaitFor("exited", line, 30000);
        m_probe.CloseInput();
        if (!m_probe.Wait(30000))
            m_probe.Kill();
        if (m_pid > 0 && kill(m_pid, 0) == 0)
            kill(m_pid, SIGKILL);
        if (m_pid > 0)
            Track(m_pid, false);
        unlink((m_dir + "/Tavrin.ini").c_str());
        rmdir(m_dir.c_str());
        m_dir.clear();
        m_bStarted = false;
    }

private:
    CChild m_probe;
    std::string m_lastLine;
    std::string m_dir;
    pid_t m_pid = 0;
    bool m_bStarted = false;
};

long long g_nSeq = 0; // numbers go on across runs, so a board never shows a later one early

// ---------------------------------------------------------------- burst

struct SBurst
{
    bool bOk = false;
    double dSeconds = 0;   // first publish to the marker at the consumer
    double dPublish = 0;   // first to last publish
    double dLag = 0;       // marker published to marker at the consumer
    double dCpu = -1;      // program and wineserver, seconds
    double dOthers = 0;    // cores that other programs took meanwhile
    long long nMessages = 0;
    double Rate() const { return dSeconds > 0 ? static_cast<double>(nMessages) / dSeconds : 0; }
};

enum EConsumer
{
    SUB,
    CORE_NATIVE,
    CORE_WINE,
    PROGRAM,
    PROGRAM_ONE,
};

SBurst RunBurst(CBroker& broker, EConsumer kind, long long nMessages)
{
    SBurst r;
    r.nMessages = nMessages + 1;
    const long long nFirst = g_nSeq;
    g_nSeq += nMessages + 1;
    std::vector<long long> times;
    size_t nFrom = broker.LogSize();

    CChild child;
    CProgramSession session;
    if (kind == SUB)
    {
        child.Start({"mosquitto_sub", "-h", "127.0.0.1", "-p", std::to_string(broker.Port()), "-i", "bench-sub", "-t",
                     "server/#", "-q", "1", "-C", std::to_string(nMessages + 1)},
                    true);
        if (!broker.WaitLog("bench-sub 1 server/#", nFrom, 10000))
            return r;
    }
    else if (kind == CORE_NATIVE || kind == CORE_WINE)
    {
        if (kind == CORE_NATIVE)
            child.Start({g_opt.native + "/bench/core_stream", std::to_string(broker.Port())});
        else
            child.Start({g_opt.wine, g_opt.win64 + "/bench/core_stream.exe", std::to_string(broker.Port())});
        if (!broker.WaitLog("tavrin 1 server/#", nFrom, 120000))
            return r;
    }
    else
    {
        std::string exe = g_opt.win64 + (kind == PROGRAM ? "/Tavrin.exe" : "/onecall/Tavrin.exe");
        if (!session.Start(exe, broker))
            return r;
        session.Watch(2);
    }
    // Let the start settle before the clock runs.
    SleepMs(500);

    pid_t wineserver = FindWineserver(g_prefix);
    double dCpu0 = CpuSeconds(session.Pid()) + CpuSeconds(wineserver);
    COtherLoad others;
    others.Start();
    std::thread publisher([&] { PublishStream(broker.Port(), nFirst, nMessages, 0, false, times); });
    const int nTimeout = 60000 + static_cast<int>(nMessages * 40);
    long long tDone = 0;
    std::string line;
    if (kind == SUB)
    {
        if (child.Wait(nTimeout))
            tDone = NowMicros();
    }
    else if (kind == CORE_NATIVE || kind == CORE_WINE)
    {
        long long nCount = 0;
        if (child.WaitFor("marker", line, nTimeout) && std::sscanf(line.c_str(), "marker %lld %lld", &tDone, &nCount) == 2)
        {
            if (nCount != nMessages + 1)
                std::fprintf(stderr, "program_bench: the core took %lld of %lld messages\n", nCount, nMessages + 1);
        }
        child.Write("quit\n");
        child.Wait(20000);
    }
    else
    {
        if (!session.WaitMarker(tDone, nullptr, nTimeout))
            std::fprintf(stderr, "program_bench: no marker from the program (%s)\n", session.Diagnosis().c_str());
        r.dCpu = CpuSeconds(session.Pid()) + CpuSeconds(wineserver) - dCpu0;
    }
    publisher.join();
    r.dOthers = others.Cores();
    if (times.front() == 0)
        std::fprintf(stderr, "program_bench: the publisher did not connect\n");
    if (tDone > 0 && times.front() > 0)
    {
        r.bOk = true;
        r.dSeconds = static_cast<double>(tDone - times.front()) / 1e6;
        r.dPublish = static_cast<double>(times.back() - times.front()) / 1e6;
        r.dLag = static_cast<double>(tDone - times.back()) / 1e6;
    }
    return r;
}

void BurstScenario(CBroker& broker)
{
    struct SRow
    {
        const char* name;
        EConsumer kind;
        long long n;
        std::vector<SBurst> runs;
    } rows[] = {
        {"mosquitto_sub -C N (native)", SUB, g_opt.n, {}},
        {"portable core (native)", CORE_NATIVE, g_opt.n, {}},
        {"portable core (Wine)", CORE_WINE, g_opt.n, {}},
        {"Tavrin.exe (Wine)", PROGRAM, g_opt.n, {}},
        {"Tavrin.exe, one loop call per poll", PROGRAM_ONE, g_opt.nOne, {}},
    };
    const char* const KEYS[] = {"sub", "core", "core-wine", "program", "onecall"};
    std::printf("\n== burst: N messages on \"server/sendMessage\" as fast as the broker takes them, then a marker\n");
    for (int run = 0; run < g_opt.nRuns; ++run)
        for (SRow& row : rows)
        {
            if (("," + g_opt.consumers + ",").find(std::string(",") + KEYS[row.kind] + ",") == std::string::npos)
                continue;
            row.runs.push_back(RunBurst(broker, row.kind, row.n));
            const SBurst& b = row.runs.back();
            std::fprintf(stderr, "  run %d %-36s %s %.2f s, %.0f msgs/s, others %.2f cores\n", run + 1, row.name,
                         b.bOk ? "ok" : "FAILED", b.dSeconds, b.Rate(), b.dOthers);
        }

    std::printf("%-36s %8s %10s %10s %10s %10s %10s\n", "consumer", "messages", "to marker", "publish", "lag",
                "msgs/s", "CPU ms/msg");
    double dProgram = 0, dSub = 0, dCore = 0, dOne = 0;
    for (SRow& row : rows)
    {
        if (row.runs.empty())
            continue;
        std::vector<double> secs, pubs, lags, rates, cpus;
        bool bOk = true;
        for (const SBurst& b : row.runs)
        {
            bOk = bOk && b.bOk;
            secs.push_back(b.dSeconds);
            pubs.push_back(b.dPublish);
            lags.push_back(b.dLag);
            rates.push_back(b.Rate());
            if (b.dCpu >= 0)
                cpus.push_back(b.dCpu * 1000 / static_cast<double>(b.nMessages));
        }
        double dRate = Median(rates);
        char szCpu[32] = "-";
        if (!cpus.empty())
            std::snprintf(szCpu, sizeof szCpu, "%.3f", Median(cpus));
        if (!bOk)
            std::printf("%-36s %8lld %10s\n", row.name, row.n + 1, "FAILED");
        else
            std::printf("%-36s %8lld %9.2fs %9.2fs %9.2fs %10.0f %10s\n", row.name, row.n + 1, Median(secs),
                        Median(pubs), Median(lags), dRate, szCpu);
        if (!bOk)
            dRate = 0;
        switch (row.kind)
        {
        case SUB: dSub = dRate; break;
        case CORE_NATIVE: dCore = dRate; break;
        case PROGRAM: dProgram = dRate; break;
        case PROGRAM_ONE: dOne = dRate; break;
        default: break;
        }
    }
    std::printf("(medians of %d run%s; CPU: Tavrin.exe and its wineserver)\n", g_opt.nRuns, g_opt.nRuns > 1 ? "s" : "");
    if (dProgram > 0 && dSub > 0)
        std::printf("ratio Tavrin.exe / mosquitto_sub:          %.3f\n", dProgram / dSub);
    if (dProgram > 0 && dCore > 0)
        std::printf("ratio Tavrin.exe / portable core (native): %.3f\n", dProgram / dCore);
    if (dProgram > 0 && dOne > 0)
        std::printf("ratio draining / one loop call per poll:   %.1f\n", dProgram / dOne);
    std::printf("target: >= 5000 msgs/s through Tavrin.exe: %s\n", dProgram >= 5000 ? "met" : "MISSED");
}

// ---------------------------------------------------------------- rate

struct SRate
{
    bool bOk = false;
    double dMedianMs = 0, dP99Ms = 0, dMaxMs = 0, dLastMs = 0;
    double dBoardRate = 0;
    long long nMissing = 0;
    double dOthers = 0; // cores that other programs took meanwhile
};

SRate MeasureRate(CBroker& broker, CProgramSession& session, int nRate, int nSeconds)
{
    SRate r;
    const long long nCount = static_cast<long long>(nRate) * nSeconds;
    const long long nFirst = g_nSeq;
    g_nSeq += nCount + 1;
    std::vector<long long> times;
    std::vector<std::pair<long long, long long>> seen;
    COtherLoad others;
    others.Start();
    std::thread publisher([&] { PublishStream(broker.Port(), nFirst, nCount, nRate, true, times); });
    long long tMarker = 0;
    bool bMarker = session.WaitMarker(tMarker, &seen, (nSeconds + 120) * 1000);
    publisher.join();
    r.dOthers = others.Cores();
    if (!bMarker)
    {
        std::fprintf(stderr, "program_bench: no marker at %d msgs/s (%s)\n", nRate, session.Diagnosis().c_str());
        return r;
    }

    // A message's board time: the first sight of its number or a later one.
    std::vector<double> delays;
    size_t k = 0;
    long long tLast = 0;
    for (long long i = 0; i < nCount; ++i)
    {
        while (k < seen.size() && seen[k].first < nFirst + i)
            ++k;
        long long tBoard = k < seen.size() ? seen[k].second : tMarker;
        if (k >= seen.size())
            ++r.nMissing;
        delays.push_back(static_cast<double>(tBoard - times[static_cast<size_t>(i)]) / 1000.0);
        tLast = tBoard;
    }
    r.bOk = true;
    r.dMedianMs = Median(delays);
    r.dP99Ms = Percentile(delays, 99);
    r.dMaxMs = *std::max_element(delays.begin(), delays.end());
    r.dLastMs = delays.back();
    r.dBoardRate = static_cast<double>(nCount) / (static_cast<double>(tLast - times.front()) / 1e6);
    return r;
}

void RateScenario(CBroker& broker)
{
    const int RATES[] = {200, 1000, 5000};
    const int SECONDS = 10;
    std::vector<SRate> results[3];
    std::printf("\n== steady rate: %d s at each rate into Tavrin.exe (Wine); delay from publish to the board\n", SECONDS);
    for (int run = 0; run < g_opt.nRuns; ++run)
    {
        CProgramSession session;
        if (!session.Start(g_opt.win64 + "/Tavrin.exe", broker))
            break;
        session.Watch(2);
        SleepMs(1000);
        for (int i = 0; i < 3; ++i)
        {
            results[i].push_back(MeasureRate(broker, session, RATES[i], SECONDS));
            const SRate& r = results[i].back();
            std::fprintf(stderr,
                         "  run %d %d msgs/s %s: median %.1f ms, p99 %.1f ms, board %.0f msgs/s, others %.2f cores\n",
                         run + 1, RATES[i], r.bOk ? "ok" : "FAILED", r.dMedianMs, r.dP99Ms, r.dBoardRate, r.dOthers);
            SleepMs(1000);
        }
    }
    std::printf("%-10s %9s %9s %9s %9s %12s %9s\n", "offered/s", "median", "p99", "max", "last", "board msgs/s",
                "kept up");
    for (int i = 0; i < 3; ++i)
    {
        std::vector<double> med, p99, mx, last, rate;
        bool bOk = !results[i].empty();
        for (const SRate& r : results[i])
        {
            bOk = bOk && r.bOk;
            med.push_back(r.dMedianMs);
            p99.push_back(r.dP99Ms);
            mx.push_back(r.dMaxMs);
            last.push_back(r.dLastMs);
            rate.push_back(r.dBoardRate);
        }
        if (!bOk)
        {
            std::printf("%-10d %9s\n", RATES[i], "FAILED");
            continue;
        }
        // Kept up: the board went on at the offered rate, so no backlog grew.
        bool bKept = Median(rate) >= 0.95 * RATES[i];
        std::printf("%-10d %7.1fms %7.1fms %7.1fms %7.1fms %12.0f %9s\n", RATES[i], Median(med), Median(p99),
                    Median(mx), Median(last), Median(rate), bKept ? "yes" : "NO");
        if (RATES[i] == 1000)
            std::printf("target: p99 < 100 ms at 1000 msgs/s: %s\n", Median(p99) < 100 ? "met" : "MISSED");
    }
    std::printf("(medians of %d run%s; the probe reads the board every 2 ms)\n", g_opt.nRuns,
                g_opt.nRuns > 1 ? "s" : "");
}

// ---------------------------------------------------------------- idle

void IdleScenario(CBroker& broker)
{
    std::printf("\n== at rest: Tavrin.exe (Wine) over %d s connected and idle, then %d s with the broker down\n",
                g_opt.nIdleSeconds, g_opt.nIdleSeconds);
    CProgramSession session;
    if (!session.Start(g_opt.win64 + "/Tavrin.exe", broker) || session.Pid() <= 0)
    {
        std::printf("FAILED to start\n");
        return;
    }
    session.Idle();
    pid_t wineserver = FindWineserver(g_prefix);
    struct SPhase
    {
        const char* name;
        double dCpu, dServer, dSeconds;
        long nRss, nAnon;
    } phases[2] = {{"connected, idle", 0, 0, 0, 0, 0}, {"broker down", 0, 0, 0, 0, 0}};
    for (int i = 0; i < 2; ++i)
    {
        if (i == 1)
        {
            broker.Stop();
            SleepMs(3000); // the program notices at its next poll
        }
        else
            SleepMs(5000);
        const auto t0 = Clock::now();
        double c0 = CpuSeconds(session.Pid()), s0 = CpuSeconds(wineserver);
        SleepMs(g_opt.nIdleSeconds * 1000);
        phases[i].dSeconds = std::chrono::duration<double>(Clock::now() - t0).count();
        phases[i].dCpu = CpuSeconds(session.Pid()) - c0;
        phases[i].dServer = CpuSeconds(wineserver) - s0;
        phases[i].nRss = StatusKb(session.Pid(), "VmRSS");
        phases[i].nAnon = StatusKb(session.Pid(), "RssAnon");
    }
    broker.Start();
    std::printf("%-18s %10s %12s %14s %12s %12s\n", "phase", "CPU s", "CPU % core", "wineserver %", "VmRSS MB",
                "RssAnon MB");
    for (const SPhase& p : phases)
        std::printf("%-18s %10.2f %12.2f %14.2f %12.1f %12.1f\n", p.name, p.dCpu, 100 * p.dCpu / p.dSeconds,
                    100 * p.dServer / p.dSeconds, p.nRss / 1024.0, p.nAnon / 1024.0);
    std::printf("target: idle CPU < 1%% of a core: %s\n", 100 * phases[0].dCpu / phases[0].dSeconds < 1 ? "met" : "MISSED");
}

// ---------------------------------------------------------------- memory

void MemoryScenario(CBroker& broker)
{
    std::printf("\n== memory: Tavrin.exe (Wine) resident memory after 1000 and after %lld messages\n",
                g_opt.nMemoryHigh);
    CProgramSession session;
    if (!session.Start(g_opt.win64 + "/Tavrin.exe", broker) || session.Pid() <= 0)
    {
        std::printf("FAILED to start\n");
        return;
    }
    session.Watch(20);
    long nRss[2] = {0, 0}, nAnon[2] = {0, 0};
    // Bursts of at most 10000, each waited for: behind a backlog at the
    // broker of more than about a minute of intake, the answer to the
    // library's keep-alive ping comes too late and it drops the connection.
    const long long CHUNK = 10000;
    long long nDone = 0;
    const long long MARKS[2] = {1000, g_opt.nMemoryHigh};
    const auto tStart = Clock::now();
    for (int i = 0; i < 2; ++i)
    {
        while (nDone < MARKS[i])
        {
            // The marker counts as one of the messages.
            const long long nCount = std::min(CHUNK, MARKS[i] - nDone);
            const long long nFirst = g_nSeq;
            g_nSeq += nCount;
            std::vector<long long> times;
            std::thread publisher([&] { PublishStream(broker.Port(), nFirst, nCount - 1, 0, false, times); });
            long long tMarker = 0;
            bool bOk = session.WaitMarker(tMarker, nullptr, 120000);
            publisher.join();
            if (!bOk)
            {
                std::printf("FAILED: no marker after %lld messages (%s)\n", nDone, session.Diagnosis().c_str());
                return;
            }
            nDone += nCount;
        }
        SleepMs(2000);
        nRss[i] = StatusKb(session.Pid(), "VmRSS");
        nAnon[i] = StatusKb(session.Pid(), "RssAnon");
    }
    const double dSeconds = std::chrono::duration<double>(Clock::now() - tStart).count();
    std::printf("%-12s %12s %12s\n", "messages", "VmRSS MB", "RssAnon MB");
    std::printf("%-12d %12.1f %12.1f\n", 1000, nRss[0] / 1024.0, nAnon[0] / 1024.0);
    std::printf("%-12lld %12.1f %12.1f\n", g_opt.nMemoryHigh, nRss[1] / 1024.0, nAnon[1] / 1024.0);
    double dGrowth = (nRss[1] - nRss[0]) / 1024.0;
    std::printf("growth %.2f MB; target: <= 2 MB: %s (%lld messages in %.0f s, in bursts of %lld)\n", dGrowth,
                dGrowth <= 2 ? "met" : "MISSED", nDone, dSeconds, CHUNK);
}
}

int main(int argc, char** argv)
{
    std::set<std::string> only;
    for (int i = 1; i < argc; ++i)
    {
        std::string a = argv[i];
        auto next = [&]() -> std::string { return i + 1 < argc ? argv[++i] : ""; };
        if (a == "--win64")
            g_opt.win64 = next();
        else if (a == "--native")
            g_opt.native = next();
        else if (a == "--wine")
            g_opt.wine = next();
        else if (a == "--n")
            g_opt.n = std::atoll(next().c_str());
        else if (a == "--n-one")
            g_opt.nOne = std::atoll(next().c_str());
        else if (a == "--consumers")
            g_opt.consumers = next();
        else if (a == "--runs")
            g_opt.nRuns = std::max(1, std::atoi(next().c_str()));
        else if (a == "--idle-seconds")
            g_opt.nIdleSeconds = std::max(1, std::atoi(next().c_str()));
        else if (a == "--memory-high")
            g_opt.nMemoryHigh = std::max(2000LL, std::atoll(next().c_str()));
        else if (a == "burst" || a == "rate" || a == "idle" || a == "memory")
            only.insert(a);
        else
        {
            std::fprintf(stderr, "program_bench: unknown argument %s\n", a.c_str());
            return 2;
        }
    }
    auto wanted = [&](const char* name) { return only.empty() || only.count(name) > 0; };
    signal(SIGPIPE, SIG_IGN);
    signal(SIGINT, OnSignal);
    signal(SIGTERM, OnSignal);
    const char* pszPrefix = std::getenv("WINEPREFIX");
    g_prefix = pszPrefix ? pszPrefix : "";
    for (const std::string& f : {g_opt.win64 + "/Tavrin.exe", g_opt.win64 + "/bench/board_probe.exe"})
        if (!FileExists(f))
        {
            std::fprintf(stderr, "program_bench: %s is missing\n", f.c_str());
            return 2;
        }

    mosquitto_lib_init();
    int rc = 0;
    {
        CBroker broker;
        if (!broker.Start())
        {
            std::fprintf(stderr, "program_bench: the broker did not start\n");
            rc = 1;
        }
        else
        {
            std::printf("program_bench: broker on 127.0.0.1:%d, %ld cores\n", broker.Port(), sysconf(_SC_NPROCESSORS_ONLN));
            std::fflush(stdout);
            // Other work on the machine shows in every figure: how busy both
            // cores were over the scenario, this benchmark included.
            auto busy = [] {
                std::istringstream in(ReadFile("/proc/stat"));
                std::string cpu;
                unsigned long long v[8] = {};
                in >> cpu;
                for (auto& x : v)
                    in >> x;
                return std::make_pair(v[0] + v[1] + v[2] + v[5] + v[6] + v[7], v[0] + v[1] + v[2] + v[3] + v[4] + v[5] + v[6] + v[7]);
            };
            auto b0 = busy();
            auto load = [&] {
                auto b1 = busy();
                std::printf("(both cores %.0f%% busy over the scenario, this benchmark included)",
                            100.0 * static_cast<double>(b1.first - b0.first) / static_cast<double>(b1.second - b0.second));
                b0 = b1;
            };
            if (wanted("burst"))
            {
                BurstScenario(broker);
                load();
                std::printf("\n");
            }
            std::fflush(stdout);
            if (wanted("rate"))
            {
                RateScenario(broker);
                load();
                std::printf("\n");
            }
            std::fflush(stdout);
            if (wanted("idle"))
            {
                IdleScenario(broker);
                load();
                std::printf("\n");
            }
            std::fflush(stdout);
            if (wanted("memory"))
            {
                MemoryScenario(broker);
                load();
                std::printf("\n");
            }
        }
    }
    mosquitto_lib_cleanup();
    return rc;
}
