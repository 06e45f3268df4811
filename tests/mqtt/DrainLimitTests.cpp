// The draining poll at its edges: QoS 1 traffic that the client must
// acknowledge as it reads, and a poll that has to stop with data still waiting.
#include "MqttTestSupport.h"
#include "mqtt/LinkFacts.h"

#include <gtest/gtest.h>
#include <json/value.h>
#include <mosquitto.h>

#include <string>

namespace
{
// Publishes at QoS 1 and waits until the broker has acknowledged every one.
bool PublishQos1(int nPort, int nMessages)
{
    struct SState
    {
        bool bConnected = false;
        int nAcked = 0;
    } state;
    mosquitto* pMosq = mosquitto_new(nullptr, true, &state);
    if (!pMosq)
        return false;
    mosquitto_connect_callback_set(pMosq, [](mosquitto*, void* p, int rc) {
        static_cast<SState*>(p)->bConnected = rc == 0;
    });
    mosquitto_publish_callback_set(pMosq, [](mosquitto*, void* p, int) { ++static_cast<SState*>(p)->nAcked; });
    bool bOk = mosquitto_connect(pMosq, "127.0.0.1", nPort, 60) == MOSQ_ERR_SUCCESS;
    const auto tEnd = std::chrono::steady_clock::now() + std::chrono::seconds(30);
    while (bOk && !state.bConnected && std::chrono::steady_clock::now() < tEnd)
        bOk = mosquitto_loop(pMosq, 10, 1) == MOSQ_ERR_SUCCESS;
    for (int i = 0; bOk && i < nMessages; ++i)
    {
        std::string payload = "{\"n\": " + std::to_string(i) + "}";
        bOk = mosquitto_publish(pMosq, nullptr, Link::TOPIC_MESSAGE, static_cast<int>(payload.size()),
                                payload.data(), 1, false) == MOSQ_ERR_SUCCESS;
    }
    while (bOk && state.nAcked < nMessages && std::chrono::steady_clock::now() < tEnd)
        bOk = mosquitto_loop(pMosq, 10, 100) == MOSQ_ERR_SUCCESS;
    bOk = bOk && state.nAcked == nMessages;
    mosquitto_disconnect(pMosq);
    mosquitto_destroy(pMosq);
    return bOk;
}

// A window that takes its time over every message.
class CSlowCallback : public CFakeCallback
{
public:
    void OnMessage(const std::string& topic, const Json::Value& root) override
    {
        CFakeCallback::OnMessage(topic, root);
        std::this_thread::sleep_for(std::chrono::milliseconds(5));
    }
};

class DrainLimitTest : public testing::Test
{
protected:
    void SetUp() override { ASSERT_TRUE(m_broker.Start()) << m_broker.LogText(); }

    CTestBroker m_broker;
};
}

TEST_F(DrainLimitTest, Qos1BurstIsAcknowledgedAndTakenInWholeAndInOrder)
{
    CFakeCallback callback;
    callback.SetInt("port", m_broker.Port());
    CRobotMqttService service(&callback, FakeTick::Now);
    service.Connect();
    ASSERT_TRUE(WaitSubscribed(service, callback));

    // Publish on its own thread: the broker hands the client 20 QoS 1 messages
    // at a time and sends more only as the client acknowledges them.
    const int N = 500;
    bool bPublished = false;
    std::thread publisher([&] { bPublished = PublishQos1(m_broker.Port(), N); });
    bool bAll = PollUntil(service, [&] { return callback.m_messages.size() >= size_t(N); }, std::chrono::seconds(60));
    publisher.join();
    ASSERT_TRUE(bPublished);
    ASSERT_TRUE(bAll) << callback.m_messages.size() << " messages";
    for (int i = 0; i < N; ++i)
        ASSERT_EQ(callback.m_messages[i].root["n"].asInt(), i);

    // Nothing is left unacknowledged: the broker goes on delivering.
    CTestPublisher pub(m_broker.Port());
    ASSERT_TRUE(pub.Publish(Link::TOPIC_MESSAGE, "{\"n\": -1}"));
    ASSERT_TRUE(pub.Sync());
    ASSERT_TRUE(PollUntil(service, [&] { return callback.m_messages.size() == size_t(N + 1); }));
    EXPECT_TRUE(service.IsConnected());
    EXPECT_EQ(callback.CountLines(LOG_MQTT, "connection lost"), 0);
    service.Close();
}

TEST_F(DrainLimitTest, APollStopsAtItsTimeBudgetWithMessagesStillWaiting)
{
    CSlowCallback callback;
    callback.SetInt("port", m_broker.Port());
    CRobotMqttService service(&callback, FakeTick::Now);
    service.Connect();
    ASSERT_TRUE(WaitSubscribed(service, callback));

    const int N = 200;
    {
        CTestPublisher pub(m_broker.Port());
        for (int i = 0; i < N; ++i)
            ASSERT_TRUE(pub.Publish(Link::TOPIC_MESSAGE, "{\"n\": " + std::to_string(i) + "}"));
        ASSERT_TRUE(pub.Sync());
    }

    // At 5 ms a message, a poll of about 20 ms takes a handful of them; all
    // 200 would hold the window for a second.
    ASSERT_TRUE(PollUntil(service, [&] { return !callback.m_messages.empty(); }));
    size_t nFirstPoll = callback.m_messages.size();
    EXPECT_GT(nFirstPoll, 1u) << "the poll drains";
    EXPECT_LT(nFirstPoll, size_t(N / 4)) << "the poll keeps to its budget";

    ASSERT_TRUE(PollUntil(service, [&] { return callback.m_messages.size() >= size_t(N); }, std::chrono::seconds(60)));
    for (int i = 0; i < N; ++i)
        ASSERT_EQ(callback.m_messages[i].root["n"].asInt(), i);
    service.Close();
}
