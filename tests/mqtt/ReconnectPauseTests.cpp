#include "MqttTestSupport.h"

#include <climits>
#include <gtest/gtest.h>

namespace
{
// Nothing listens on the port, so every attempt is a quick "reconnect fail".
class ReconnectPauseTest : public testing::Test
{
protected:
    void StartWaiting(uint32_t dwFailTick, int nSeconds)
    {
        FakeTick::Set(dwFailTick);
        m_callback.SetInt("port", TestPlatform::FreeLoopbackPort());
        m_callback.SetInt("reconnect-sec", nSeconds);
        m_service.Connect();
        ASSERT_TRUE(FinishAttempt(m_service));
        ASSERT_EQ(m_callback.CountLines(LOG_MQTT, "connection fail"), 1);
    }
    int AttemptsAfterPollAt(uint32_t dwTick)
    {
        FakeTick::Set(dwTick);
        m_service.Poll();
        FinishAttempt(m_service);
        return m_callback.CountLines(LOG_MQTT, "reconnect fail");
    }
    void TearDown() override { m_service.Close(); }

    CFakeCallback m_callback;
    CRobotMqttService m_service{&m_callback, FakeTick::Now};
};

TEST_F(ReconnectPauseTest, AttemptComesOnlyAfterMoreThanThePause)
{
    StartWaiting(1000, 2);
    EXPECT_EQ(AttemptsAfterPollAt(2999), 0);
    EXPECT_EQ(AttemptsAfterPollAt(3000), 0);
    EXPECT_EQ(AttemptsAfterPollAt(3001), 1);
    // The next pause counts from the failed attempt.
    EXPECT_EQ(AttemptsAfterPollAt(5001), 1);
    EXPECT_EQ(AttemptsAfterPollAt(5002), 2);
    EXPECT_EQ(m_callback.CountReads("reconnect-sec"), 5);
}

TEST_F(ReconnectPauseTest, ChangedPauseCountsAtTheNextPoll)
{
    StartWaiting(1000, 60);
    EXPECT_EQ(AttemptsAfterPollAt(3001), 0);
    m_callback.SetInt("reconnect-sec", 2);
    EXPECT_EQ(AttemptsAfterPollAt(3001), 1);
}

TEST_F(ReconnectPauseTest, ZeroWaitsForTheTickToMove)
{
    StartWaiting(1000, 0);
    EXPECT_EQ(AttemptsAfterPollAt(1000), 0);
    EXPECT_EQ(AttemptsAfterPollAt(1001), 1);
    EXPECT_EQ(AttemptsAfterPollAt(1001), 1);
}

TEST_F(ReconnectPauseTest, NegativeTriesAtEveryPoll)
{
    StartWaiting(1000, -1);
    EXPECT_EQ(AttemptsAfterPollAt(1000), 1);
    EXPECT_EQ(AttemptsAfterPollAt(1000), 2);
}

TEST_F(ReconnectPauseTest, PauseAcrossTheTickWrapStillEnds)
{
    StartWaiting(0xFFFFFF00u, 1); // 256 ms before the wrap
    // Failure tick + 1000 wraps to 744; a comparison of tick values would try here.
    EXPECT_EQ(AttemptsAfterPollAt(0xFFFFFF01u), 0);
    EXPECT_EQ(AttemptsAfterPollAt(743), 0);
    EXPECT_EQ(AttemptsAfterPollAt(744), 0);
    EXPECT_EQ(AttemptsAfterPollAt(745), 1);
}

TEST_F(ReconnectPauseTest, LongestPauseDoesNotOverflow)
{
    StartWaiting(1000, INT_MAX);
    EXPECT_EQ(AttemptsAfterPollAt(999), 0); // 0xFFFFFFFF ms after the failure
}
}
