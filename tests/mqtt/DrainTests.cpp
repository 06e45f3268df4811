#include "MqttTestSupport.h"
#include "mqtt/LinkFacts.h"

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
            ASSERT_TRUE(publisher.Publish(Link::TOPIC_MESSAGE, "{\"n\": " + std::to_string(i) + "}"));
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

namespace
{
// A message box opened from OnMessage runs a modal loop, and its timer ticks
// poll. Re-entered, the library would take the next packet inside this
// callback, or block on its own callback lock where it has one.
class CNestedPollCallback : public CFakeCallback
{
public:
    void OnMessage(const std::string& topic, const Json::Value& root) override
    {
        ++m_nDepth;
        if (m_nDepth > m_nMaxDepth)
            m_nMaxDepth = m_nDepth;
        CFakeCallback::OnMessage(topic, root);
        m_pService->Poll();
        --m_nDepth;
    }

    CRobotMqttService* m_pService = nullptr;
    int m_nDepth = 0;
    int m_nMaxDepth = 0;
};

TEST(NestedPoll, PollFromInsideACallbackDoesNothing)
{
    CTestBroker broker;
    ASSERT_TRUE(broker.Start()) << broker.LogText();
    CNestedPollCallback callback;
    callback.SetInt("port", broker.Port());
    CRobotMqttService service(&callback, FakeTick::Now);
    callback.m_pService = &service;
    service.Connect();
    ASSERT_TRUE(WaitSubscribed(service, callback));

    CTestPublisher publisher(broker.Port());
    for (int i = 0; i < 5; ++i)
        publisher.Publish(Link::TOPIC_MESSAGE, std::to_string(i));
    ASSERT_TRUE(publisher.Sync());
    ASSERT_TRUE(PollUntil(service, [&] { return callback.m_messages.size() == 5; }));

    EXPECT_EQ(callback.m_nMaxDepth, 1);
    for (int i = 0; i < 5; ++i)
        EXPECT_EQ(callback.m_messages[i].root.asInt(), i);
    service.Close();
}
}
