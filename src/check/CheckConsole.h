#pragma once

#include "check/CheckCommand.h"

#include <atomic>
#include <istream>
#include <string>
#include <vector>

// The little that the checker needs from the operating system; one file for
// each system.
namespace CheckConsole
{
// The arguments after the program's name, as UTF-8.
std::vector<std::string> Arguments(int argc, char** argv);

// Standard input, read as the bytes they are.
std::istream& BinaryStdin();

// Standard output and error. A console shows the UTF-8 text as text; a pipe
// or file gets its bytes unchanged.
COutput& Stdout();
COutput& Stderr();

// Reads a line typed at the console without showing it (a password), after
// writing the prompt to standard error. false when standard input is no
// console.
bool ReadSecret(const std::string& prompt, std::string& secret);

// From now on Ctrl+C sets *pStop instead of ending the program; nullptr
// gives it back its usual effect.
void CatchInterrupt(std::atomic<bool>* pStop);
}
