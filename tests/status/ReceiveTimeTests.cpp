#include "status/ReceiveTime.h"

#include <gtest/gtest.h>

#include <cstdint>
#include <regex>
#include <string>

namespace
{
// 2023-11-14 22:13:00 UTC; a whole minute in every zone of today's world.
const int64_t T0 = 1699999980;

// The count that the text shows, after checking its shape.
int CountIn(const std::string& text)
{
    std::smatch m;
    EXPECT_TRUE(std::regex_match(text, m, std::regex(R"((init|last receive): \d\d:\d\d:\d\d \((-?\d+)\))"))) << text;
    return m.empty() ? 9999 : std::stoi(m[2]);
}

// The seconds of the shown time; zones differ from UTC in whole minutes.
std::string SecondsIn(const std::string& text)
{
    size_t pos = text.find(" (");
    return pos == std::string::npos || pos < 2 ? std::string() : text.substr(pos - 2, 2);
}
}

TEST(ReceiveTime, ModeFollowsTheReceivedFlag)
{
    EXPECT_EQ(0, FormatReceiveTime(false, T0, T0 + 7).rfind("init: ", 0));
    EXPECT_EQ(0, FormatReceiveTime(true, T0, T0 + 7).rfind("last receive: ", 0));
}

TEST(ReceiveTime, ShowsTheStoredTimeNotTheCurrentOne)
{
    EXPECT_EQ("07", SecondsIn(FormatReceiveTime(true, T0 + 7, T0 + 7)));
    EXPECT_EQ("07", SecondsIn(FormatReceiveTime(true, T0 + 7, T0 + 7 + 3725)));
    EXPECT_EQ("59", SecondsIn(FormatReceiveTime(false, T0 + 59, T0 + 60)));
}

TEST(ReceiveTime, CountWrapsEveryMinute)
{
    const struct { int64_t elapsed; int count; } cases[] = {
        {0, 0}, {7, 7}, {59, 59}, {60, 0}, {61, 1}, {3600, 0}, {3659, 59}, {86400 * 400 + 13, 13},
    };
    for (const auto& c : cases)
    {
        EXPECT_EQ(c.count, CountIn(FormatReceiveTime(false, T0, T0 + c.elapsed))) << c.elapsed;
        EXPECT_EQ(c.count, CountIn(FormatReceiveTime(true, T0 + 31, T0 + 31 + c.elapsed))) << c.elapsed;
    }
}

TEST(ReceiveTime, CountIsNegativeOrZeroWhileTheClockIsBehindTheStoredTime)
{
    const struct { int64_t elapsed; int count; } cases[] = {{-1, -1}, {-59, -59}, {-60, 0}, {-61, -1}, {-120, 0}, {-121, -1}};
    for (const auto& c : cases)
        EXPECT_EQ(c.count, CountIn(FormatReceiveTime(true, T0, T0 + c.elapsed))) << c.elapsed;
}

TEST(ReceiveTime, TimeTheLibraryCannotFormatLeavesTheTimeTextEmpty)
{
    const int64_t tFar = INT64_MAX / 2;
    EXPECT_EQ("init:  (3)", FormatReceiveTime(false, tFar, tFar + 3));
    // Extreme pairs neither overflow nor trap.
    EXPECT_EQ(0u, FormatReceiveTime(true, INT64_MAX, INT64_MIN).rfind("last receive:  (", 0));
}
