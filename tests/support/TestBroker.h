#pragma once

#include <string>

// Debian's mosquitto on a free loopback port, with a private configuration in
// its own temporary folder. Stop and Start again keep the port, for restarts.
class CTestBroker
{
public:
    CTestBroker();
    ~CTestBroker();
    CTestBroker(const CTestBroker&) = delete;
    CTestBroker& operator=(const CTestBroker&) = delete;

    // Lines added to the broker's configuration, for the next Start. A file
    // that the lines name (a password file, an ACL) goes in Dir().
    void AddConfig(const std::string& lines);
    const std::string& Dir() const { return m_dir; }

    // Makes the tests' TLS material and sign-in files in Dir() (pki.sh tells
    // which) and makes the listener a TLS one that presents certName.crt
    // ("server", "expired"), signs users in from the password file and lets
    // them read what the ACL says. For the next Start.
    bool MakeSecure(const std::string& certName = "server");
    // A file in Dir() as this program's file functions see it.
    std::string HostFile(const std::string& name) const { return File(name.c_str()); }

    // Both wait until the broker accepts connections, or is gone.
    bool Start();
    bool Stop();
    // Freezes the running broker (SIGSTOP) and lets it go on again (SIGCONT):
    // its connections stay open while nothing answers on them.
    bool Pause();
    bool Resume();
    // Kills it outright (SIGKILL), frozen or not; Start brings it back.
    bool Kill();

    int Port() const { return m_nPort; }
    bool IsRunning() const { return m_bRunning; }
    // The broker's own log, for failure messages.
    std::string LogText() const;
    // Whether the log has the text after its first nFrom bytes (LogSize
    // before), within the time. A subscription logs "<client id> <qos> <filter>".
    size_t LogSize() const;
    bool WaitLog(const std::string& text, size_t nFrom, int nTimeoutMs) const;
    // The process group of the running broker (0 when none): its time
    // belongs to whatever it serves.
    int ProcessGroup() const;

private:
    bool RunScript(const char* command);
    bool RunScript(const char* script, const char* command, const char* done);
    std::string File(const char* name) const;

    int m_nPort;
    std::string m_dir; // Linux path
    bool m_bRunning = false;
};
