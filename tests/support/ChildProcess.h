#pragma once

#include <string>
#include <vector>

// Runs a program of this build to its end with the given standard input and
// collects its standard output and error as bytes. Under Wine the program is
// a Windows one, named by its Linux path.
struct SChildResult
{
    int nExit = -1; // -1: it could not be started
    std::string out;
    std::string err;
};

SChildResult RunChild(const std::string& unixPath, const std::vector<std::string>& args, const std::string& input);
