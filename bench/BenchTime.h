#pragma once

#include <algorithm>
#include <chrono>
#include <cmath>
#include <thread>
#include <vector>

typedef std::chrono::steady_clock Clock;

// Wall-clock microseconds since 1970: the clock that the publisher stamps
// into each message and the probe under Wine reads.
inline long long NowMicros()
{
    return std::chrono::duration_cast<std::chrono::microseconds>(
               std::chrono::system_clock::now().time_since_epoch())
        .count();
}

inline void SleepMs(int ms)
{
    std::this_thread::sleep_for(std::chrono::milliseconds(ms));
}

inline int MsLeft(Clock::time_point tEnd)
{
    return static_cast<int>(std::chrono::duration_cast<std::chrono::milliseconds>(tEnd - Clock::now()).count());
}

inline double Median(std::vector<double> v)
{
    if (v.empty())
        return 0;
    std::sort(v.begin(), v.end());
    size_t n = v.size();
    return n % 2 ? v[n / 2] : (v[n / 2 - 1] + v[n / 2]) / 2;
}

// Nearest rank.
inline double Percentile(std::vector<double> v, double p)
{
    if (v.empty())
        return 0;
    std::sort(v.begin(), v.end());
    size_t k = static_cast<size_t>(std::ceil(p / 100.0 * static_cast<double>(v.size())));
    return v[k == 0 ? 0 : k - 1];
}

inline const char* PassOrMiss(bool bPass)
{
    return bPass ? "PASS" : "MISS";
}
