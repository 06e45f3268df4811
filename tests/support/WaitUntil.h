#pragma once

#include <chrono>
#include <thread>

// Asks done() every step until it holds or the time is up; returns whether
// it held. The one wait of the tests: for a broker, a program, a file.
template <class F>
bool WaitUntil(F done, std::chrono::milliseconds timeout = std::chrono::seconds(10),
               std::chrono::milliseconds step = std::chrono::milliseconds(10))
{
    const auto tEnd = std::chrono::steady_clock::now() + timeout;
    while (!done())
    {
        if (std::chrono::steady_clock::now() > tEnd)
            return false;
        std::this_thread::sleep_for(step);
    }
    return true;
}
