#include "MqttTestSupport.h"
#include "mqtt/LinkFacts.h"

#include "mqtt/ClientId.h"

#include <gtest/gtest.h>
#include <json/value.h>

namespace
{
typedef std::vector<std::string> Lines;

std::string ConnectLine(int nPort)
{
    return "connect(127.0.0.1:" + std::to_string(nPort) + ")";
}

class ConnectionTest : public CBrokerSuite
{
protected:
    void SetUp() override
    {
        FakeTick::Set(1000);
        m_callback.SetInt("port", s_pBroker->Port());
    }
    void TearDown() override { m_service.Close(); }

    CFakeCallback m_callback;
    CRobotMqttService m_service{&m_callback, FakeTick::Now};
};

TEST_F(ConnectionTest, ReadsAddressLogsItAndConnectsOnceTheBrokerAccepts)
{
    m_service.Connect();
    // The address first, then sign-in and TLS, each once.
    EXPECT_EQ(m_callback.m_reads,
              Lines({"RobotMqttService/client-id", "RobotMqttService/ip", "RobotMqttService/port",
                     "RobotMqttService/username", "RobotMqttService/password", "RobotMqttService/tls",
                     "RobotMqttService/tls-cafile", "RobotMqttService/tls-certfile", "RobotMqttService/tls-keyfile",
                     "RobotMqttService/tls-insecure-no-checks"}));
    ASSERT_TRUE(FinishAttempt(m_service));

    EXPECT_EQ(m_callback.Lines(LOG_MQTT), Lines({ConnectLine(s_pBroker->Port()), "connection success"}));
    EXPECT_TRUE(m_service.IsConnected());
    EXPECT_EQ(m_service.LastFailure(), LINK_FAIL_NONE);
    EXPECT_EQ(m_service.ClientId(), DefaultClientId());
}

TEST_F(ConnectionTest, AFixedClientIdFromTheSettingsReachesTheBroker)
{
    m_callback.SetString("client-id", "ward-3");
    size_t nLog = s_pBroker->LogSize();
    m_service.Connect();
    ASSERT_TRUE(WaitSubscribed(m_service, m_callback));
    EXPECT_TRUE(s_pBroker->WaitLog("ward-3 1 server/#", nLog, 5000)) << s_pBroker->LogText();
}

TEST_F(ConnectionTest, ReceivesEveryTopicUnderServerOnly)
{
    m_service.Connect();
    ASSERT_TRUE(WaitSubscribed(m_service, m_callback));

    CTestPublisher publisher(s_pBroker->Port());
    ASSERT_TRUE(publisher.IsConnected());
    publisher.Publish(Link::TOPIC_MESSAGE, "{\"n\": 1}");
    publisher.Publish("robot/status", "{\"n\": 2}");
    publisher.Publish("server/other/deep", "{\"n\": 3}");
    ASSERT_TRUE(publisher.Sync());
    // The broker keeps the order, so "robot/status" would have come before the last one.
    ASSERT_TRUE(PollUntil(m_service, [&] { return m_callback.m_messages.size() >= 2; }));

    ASSERT_EQ(m_callback.m_messages.size(), 2u);
    EXPECT_EQ(m_callback.m_messages[0].topic, Link::TOPIC_MESSAGE);
    EXPECT_EQ(m_callback.m_messages[1].topic, "server/other/deep");
    EXPECT_EQ(m_callback.m_messages[1].root["n"].asInt(), 3);
    EXPECT_EQ(m_callback.Lines(LOG_SUBSCRIBE), Lines({"{\"n\": 1}", "{\"n\": 3}"}));
}

TEST_F(ConnectionTest, SecondConnectDoesNothing)
{
    m_service.Connect();
    size_t nLines = m_callback.m_lines.size();
    size_t nReads = m_callback.m_reads.size();

    m_service.Connect();

    EXPECT_EQ(m_callback.m_lines.size(), nLines);
    EXPECT_EQ(m_callback.m_reads.size(), nReads);
}

TEST_F(ConnectionTest, NothingHappensWithoutAnInstance)
{
    m_service.Poll();
    m_service.Close();
    m_service.Poll();
    EXPECT_TRUE(m_callback.m_lines.empty());
    EXPECT_TRUE(m_callback.m_reads.empty());

    m_service.Connect();
    m_service.Close();
    EXPECT_FALSE(m_service.IsConnected());
    size_t nLines = m_callback.m_lines.size();
    size_t nReads = m_callback.m_reads.size();
    m_service.Poll();
    m_service.Close();
    EXPECT_EQ(m_callback.m_lines.size(), nLines);
    EXPECT_EQ(m_callback.m_reads.size(), nReads);
}

TEST(ConnectionWithoutBroker, LogsFailWithItsCauseAndWaits)
{
    FakeTick::Set(1000);
    CFakeCallback callback;
    int nPort = TestPlatform::FreeLoopbackPort();
    callback.SetInt("port", nPort);
    callback.SetInt("reconnect-sec", 60);
    CRobotMqttService service(&callback, FakeTick::Now);

    service.Connect();
    ASSERT_TRUE(FinishAttempt(service));
    // The system's words follow the address: Linux refuses at once, Wine
    // reports the reset of the library's first write.
    Lines lines = callback.Lines(LOG_MQTT);
    ASSERT_EQ(lines.size(), 3u);
    EXPECT_EQ(Lines(lines.begin(), lines.begin() + 2), Lines({ConnectLine(nPort), "connection fail"}));
    const std::string where = "127.0.0.1:" + std::to_string(nPort) + ": ";
    EXPECT_EQ(lines[2].rfind(where, 0), 0u) << lines[2];
    EXPECT_GT(lines[2].size(), where.size());
    EXPECT_FALSE(service.IsConnected());
    EXPECT_EQ(service.LastFailure(), LINK_FAIL_UNREACHABLE);

    // Waiting: the pause is read, nothing else happens.
    service.Poll();
    EXPECT_EQ(callback.CountReads("reconnect-sec"), 1);
    EXPECT_EQ(callback.Lines(LOG_MQTT).size(), 3u);
    service.Close();
}

// A restart of the broker: the loss, failed attempts while it is down, and the
// renewed subscription once it is back.
TEST(ConnectionAcrossRestart, ReconnectsAndSubscribesAgain)
{
    CTestBroker broker;
    ASSERT_TRUE(broker.Start()) << broker.LogText();
    FakeTick::Set(5000);
    CFakeCallback callback;
    callback.SetInt("port", broker.Port());
    callback.SetInt("reconnect-sec", 1);
    CRobotMqttService service(&callback, FakeTick::Now);
    service.Connect();
    ASSERT_TRUE(WaitSubscribed(service, callback));

    ASSERT_TRUE(broker.Stop());
    ASSERT_TRUE(PollUntil(service, [&] { return callback.CountLines(LOG_MQTT, "connection lost") == 1; }));
    // The poll that noticed the loss neither waited nor reconnected; the
    // cause follows the fixed line.
    EXPECT_EQ(callback.Lines(LOG_MQTT).end()[-2], "connection lost");
    EXPECT_EQ(callback.CountReads("reconnect-sec"), 0);
    EXPECT_FALSE(service.IsConnected());
    EXPECT_EQ(service.LastFailure(), LINK_FAIL_LOST);

    FakeTick::Set(6000);
    service.Poll();
    EXPECT_EQ(callback.Lines(LOG_MQTT).end()[-2], "connection lost");
    FakeTick::Set(6001);
    service.Poll();
    ASSERT_TRUE(FinishAttempt(service));
    EXPECT_EQ(callback.Lines(LOG_MQTT).end()[-2], "reconnect fail");

    ASSERT_TRUE(broker.Start()) << broker.LogText();
    FakeTick::Set(7002);
    service.Poll();
    ASSERT_TRUE(FinishAttempt(service));
    EXPECT_EQ(callback.Lines(LOG_MQTT).back(), "reconnect success");
    EXPECT_TRUE(service.IsConnected());
    ASSERT_TRUE(WaitSubscribed(service, callback, 2));

    CTestPublisher publisher(broker.Port());
    publisher.Publish(Link::TOPIC_MESSAGE, "{\"after\": \"restart\"}");
    ASSERT_TRUE(publisher.Sync());
    ASSERT_TRUE(PollUntil(service, [&] { return callback.m_messages.size() == 1; }));
    EXPECT_EQ(callback.m_messages[0].root["after"].asString(), "restart");
    service.Close();
}
}
