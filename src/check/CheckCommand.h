#pragma once

#include <atomic>
#include <istream>
#include <string>
#include <vector>

// Where the checker writes: UTF-8 text, in pieces of whole lines.
class COutput
{
public:
    virtual void Write(const std::string& text) = 0;

protected:
    ~COutput() = default;
};

// What a run of the checker is given by the platform.
struct SCheckIo
{
    std::istream& in; // standard input, read as bytes
    COutput& out;
    COutput& err;
    std::atomic<bool>& stop; // set by Ctrl+C while "watch" runs
    // Lets Ctrl+C set stop (true) or end the program again (false).
    void (*pfnCatchInterrupt)(std::atomic<bool>* pStop);
    // Reads a password typed at the console; none in the tests.
    bool (*pfnReadSecret)(const std::string& prompt, std::string& secret) = nullptr;
};

// Exit statuses.
enum
{
    EXIT_ALL_SHOWN = 0,
    EXIT_DROPPED = 1, // or, with --strict, a warning
    EXIT_USAGE = 2,   // or input that could not be read
};

// The whole program: arguments after its name, as UTF-8; returns the exit status.
int RunCheckCommand(const std::vector<std::string>& args, SCheckIo& io);
