#include "check/CheckConsole.h"

#include <csignal>
#include <cstdio>
#include <iostream>
#include <termios.h>
#include <unistd.h>

namespace
{
std::atomic<bool>* g_pStop = nullptr;

extern "C" void OnInterrupt(int)
{
    if (g_pStop)
        g_pStop->store(true);
}

class CFileOutput : public COutput
{
public:
    explicit CFileOutput(std::FILE* pFile) : m_pFile(pFile) {}
    void Write(const std::string& text) override
    {
        std::fwrite(text.data(), 1, text.size(), m_pFile);
        // Lines go out as they come: "watch" runs for hours into a pipe.
        std::fflush(m_pFile);
    }

private:
    std::FILE* m_pFile;
};
}

namespace CheckConsole
{
std::vector<std::string> Arguments(int argc, char** argv)
{
    return std::vector<std::string>(argv + (argc > 0 ? 1 : 0), argv + argc);
}

std::istream& BinaryStdin()
{
    return std::cin;
}

COutput& Stdout()
{
    static CFileOutput s_out(stdout);
    return s_out;
}

COutput& Stderr()
{
    static CFileOutput s_err(stderr);
    return s_err;
}

void CatchInterrupt(std::atomic<bool>* pStop)
{
    g_pStop = pStop;
    struct sigaction action = {};
    action.sa_handler = pStop ? OnInterrupt : SIG_DFL;
    sigemptyset(&action.sa_mask);
    sigaction(SIGINT, &action, nullptr);
    sigaction(SIGTERM, &action, nullptr);
}

bool ReadSecret(const std::string& prompt, std::string& secret)
{
    termios old{};
    if (!isatty(STDIN_FILENO) || tcgetattr(STDIN_FILENO, &old) != 0)
        return false;
    Stderr().Write(prompt);
    termios quiet = old;
    quiet.c_lflag &= ~static_cast<tcflag_t>(ECHO);
    tcsetattr(STDIN_FILENO, TCSAFLUSH, &quiet);
    const bool bRead = static_cast<bool>(std::getline(std::cin, secret));
    tcsetattr(STDIN_FILENO, TCSAFLUSH, &old);
    Stderr().Write("\n");
    return bRead;
}
}
