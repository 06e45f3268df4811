#include "MqttTestSupport.h"

#include <gtest/gtest.h>
#include <json/value.h>

namespace
{
class DrainTest : public testing::Test
{
protected:
    void SetUp() override
    {
        ASSERT_TRUE(m_broker.Start()) << m_broker.LogText();
        m_callback.SetInt("port", m_broker.Port());
        m_service.Connect();
        ASSERT_TRUE(WaitSubscribed(m_service, m_callback));
    }
    void TearDown() override { m_service.Close(); }

    // Everything is at the broker and on its way before the first poll.
    void PublishBurst(int nMessages)
    {
        CTestPublisher publisher(m_broker.Port());
        ASSERT_TRUE(publisher.IsConnected());
        for (int i = 0; i < nMessages; ++i)
            ASSERT_TRUE(publisher.Publish("server/sendMessage", "{\"n\": " + std::to_string(i) + "}"));
        ASSERT_TRUE(publisher.Sync());
    }

    CTestBroker m_broker;
    CFakeCallback m_callback;
    CRobotMqttService m_service{&m_callback, FakeTick::Now};
};

TEST_F(DrainTest, BurstIsTakenInCompletelyInFewPolls)
{
    const int N = 2000;
    PublishBurst(N);

    int nPolls = 0;
    ASSERT_TRUE(PollUntil(m_service, [&] { return m_callback.m_messages.size() >= size_t(N); },
                          std::chrono::seconds(60), &nPolls))
        << m_callback.m_messages.size() << " messages";

    ASSERT_EQ(m_callback.m_messages.size(), size_t(N));
    for (int i = 0; i < N; ++i)
        ASSERT_EQ(m_callback.m_messages[i].root["n"].asInt(), i);
    EXPECT_EQ(m_callback.Lines(LOG_SUBSCRIBE).size(), size_t(N));
    // One packet per poll would need N polls.
    EXPECT_LT(nPolls, N / 4);
}

TEST_F(DrainTest, WithoutDrainingAPollTakesOneMessage)
{
    PublishBurst(3);
    m_service.SetDrain(false);
    ASSERT_TRUE(PollUntil(m_service, [&] { return !m_callback.m_messages.empty(); }));
    EXPECT_EQ(m_callback.m_messages.size(), 1u);
    m_service.Poll();
    EXPECT_EQ(m_callback.m_messages.size(), 2u);
}
}
