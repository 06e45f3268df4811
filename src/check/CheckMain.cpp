// tavrin-check: what Tavrin shows for a message, and why not.
#include "check/CheckCommand.h"
#include "check/CheckConsole.h"

int main(int argc, char** argv)
{
    std::atomic<bool> stop(false);
    SCheckIo io{CheckConsole::BinaryStdin(), CheckConsole::Stdout(), CheckConsole::Stderr(), stop,
                CheckConsole::CatchInterrupt, CheckConsole::ReadSecret};
    return RunCheckCommand(CheckConsole::Arguments(argc, argv), io);
}
