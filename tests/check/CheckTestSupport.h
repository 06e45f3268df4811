#pragma once

#include "../status/StatusTestSupport.h"
#include "check/CheckCommand.h"

#include <atomic>
#include <mutex>
#include <sstream>
#include <string>
#include <vector>

// Collects what the checker writes; "watch" writes from its own thread.
class CCollected : public COutput
{
public:
    void Write(const std::string& text) override
    {
        std::lock_guard<std::mutex> lock(m_mutex);
        m_text += text;
    }
    std::string Text() const
    {
        std::lock_guard<std::mutex> lock(m_mutex);
        return m_text;
    }
    std::vector<std::string> Lines() const
    {
        std::vector<std::string> lines;
        std::istringstream in(Text());
        for (std::string line; std::getline(in, line);)
            lines.push_back(line);
        return lines;
    }

private:
    mutable std::mutex m_mutex;
    std::string m_text;
};

inline void IgnoreInterrupt(std::atomic<bool>*)
{
}

// One run of the checker in this process, as the program's main would run it.
struct CCheckRun
{
    explicit CCheckRun(const std::string& input = std::string(), void (*pfnCatch)(std::atomic<bool>*) = IgnoreInterrupt)
        : in(input), io{in, out, err, stop, pfnCatch}
    {
    }
    int Run(const std::vector<std::string>& args) { return RunCheckCommand(args, io); }

    std::istringstream in;
    CCollected out;
    CCollected err;
    std::atomic<bool> stop{false};
    SCheckIo io;
};
