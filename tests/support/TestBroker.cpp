#include "TestBroker.h"
#include "WaitUntil.h"

#include "TestPlatform.h"

#include <chrono>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <sstream>
#include <thread>

namespace fs = std::filesystem;

namespace
{
// The script sits beside this file in the source tree; the compiler is given
// absolute source paths, and Wine sees the Linux file system as it is.
std::string ScriptPath(const char* name)
{
    std::string path = __FILE__;
    return path.substr(0, path.find_last_of("/\\") + 1) + name;
}

std::string ReadFile(const std::string& hostPath)
{
    std::ifstream in(hostPath, std::ios::binary);
    std::ostringstream out;
    out << in.rdbuf();
    return out.str();
}
}

CTestBroker::CTestBroker()
{
    do
        m_nPort = TestPlatform::FreeLoopbackPort();
    while (m_nPort == 1883);

    // /tmp is the same folder for the Linux broker and for a test under Wine.
    for (int n = 0;; ++n)
    {
        m_dir = "/tmp/tavrin-broker-" + std::to_string(m_nPort) + "-" + std::to_string(n);
        std::error_code ec;
        if (fs::create_directory(TestPlatform::HostPath(m_dir), ec) || ec)
            break;
    }

    std::ofstream conf(File("mosquitto.conf"), std::ios::binary);
    conf << "listener " << m_nPort << " 127.0.0.1\n"
         << "allow_anonymous true\n"
         << "persistence false\n"
         // Run as root, the broker would become user "mosquitto" and lose its folder.
         << "user root\n"
         << "log_dest file " << m_dir << "/mosquitto.log\n"
         << "log_type error\nlog_type warning\nlog_type notice\nlog_type information\nlog_type subscribe\n"
         // Bursts must not be thinned out while the client under test is not reading.
         << "max_queued_messages 0\n";
}

CTestBroker::~CTestBroker()
{
    if (m_bRunning)
        Stop();
    std::error_code ec;
    fs::remove_all(TestPlatform::HostPath(m_dir), ec);
}

void CTestBroker::AddConfig(const std::string& lines)
{
    std::ofstream conf(File("mosquitto.conf"), std::ios::binary | std::ios::app);
    conf << lines << "\n";
}

bool CTestBroker::Start()
{
    if (m_bRunning)
        return true;
    m_bRunning = RunScript("start");
    // The script saw the listener open; make sure it really answers.
    if (m_bRunning)
        m_bRunning = WaitUntil([this] { return TestPlatform::AcceptsConnections(m_nPort); },
                             std::chrono::seconds(10));
    // A broker that came up badly must not outlive the test.
    if (!m_bRunning)
        RunScript("stop");
    return m_bRunning;
}

bool CTestBroker::Stop()
{
    bool bOk = RunScript("stop");
    m_bRunning = false;
    return bOk;
}

bool CTestBroker::Pause()
{
    return m_bRunning && RunScript("pause");
}

bool CTestBroker::Resume()
{
    return m_bRunning && RunScript("resume");
}

bool CTestBroker::Kill()
{
    bool bOk = RunScript("kill");
    m_bRunning = false;
    return bOk;
}

std::string CTestBroker::LogText() const
{
    return ReadFile(File("mosquitto.log")) + ReadFile(File("mosquitto.out"));
}

size_t CTestBroker::LogSize() const
{
    return ReadFile(File("mosquitto.log")).size();
}

bool CTestBroker::WaitLog(const std::string& text, size_t nFrom, int nTimeoutMs) const
{
    return WaitUntil([&] { return ReadFile(File("mosquitto.log")).find(text, nFrom) != std::string::npos; },
                   std::chrono::milliseconds(nTimeoutMs));
}

int CTestBroker::ProcessGroup() const
{
    // The script's timeout leads a group of its own, the broker with it.
    return m_bRunning ? std::atoi(ReadFile(File("mosquitto.pid")).c_str()) : 0;
}

bool CTestBroker::MakeSecure(const std::string& certName)
{
    if (!fs::exists(File("ca.crt")) && !RunScript("pki.sh", nullptr, "pki-done"))
        return false;
    AddConfig("cafile " + m_dir + "/ca.crt\ncertfile " + m_dir + "/" + certName + ".crt\nkeyfile " + m_dir + "/" +
              certName + ".key\nallow_anonymous false\npassword_file " + m_dir + "/passwd\nacl_file " + m_dir +
              "/acl");
    return true;
}

bool CTestBroker::RunScript(const char* command)
{
    return RunScript("broker.sh", command, "done");
}

bool CTestBroker::RunScript(const char* script, const char* command, const char* doneName)
{
    std::string done = File(doneName);
    std::error_code ec;
    fs::remove(done, ec);
    std::vector<std::string> args{ScriptPath(script)};
    if (command)
        args.push_back(command);
    args.push_back(m_dir);
    if (!TestPlatform::LaunchShell(args))
        return false;
    if (!WaitUntil([&] { return fs::exists(done, ec); }, std::chrono::seconds(20)))
        return false;
    return ReadFile(done).compare(0, 2, "ok") == 0;
}

std::string CTestBroker::File(const char* name) const
{
    return TestPlatform::HostPath(m_dir + "/" + name);
}
