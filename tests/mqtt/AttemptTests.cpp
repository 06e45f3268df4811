// An attempt never waits on the network: each poll takes a step, the limit
// ends one that gets no answer, and every way it ends is a line with a cause.
#include "MqttTestSupport.h"
#include "QuietListener.h"

#include "mqtt/ClientId.h"
#include "mqtt/LinkFacts.h"

#include <cstdio>
#include <fstream>
#include <gtest/gtest.h>

namespace
{
typedef std::vector<std::string> Lines;

const uint32_t START = 1000;

class AttemptTest : public testing::Test
{
protected:
    void SetUp() override
    {
        FakeTick::Set(START);
        m_callback.SetInt("reconnect-sec", 60);
    }
    void TearDown() override { m_service.Close(); }

    std::string Joined() const
    {
        std::string all;
        for (const std::string& line : m_callback.Lines(LOG_MQTT))
            all += line + "\n";
        return all;
    }
    std::vector<std::string> AfterConnectLine() const
    {
        Lines lines = m_callback.Lines(LOG_MQTT);
        return Lines(lines.begin() + 1, lines.end());
    }

    CFakeCallback m_callback;
    CRobotMqttService m_service{&m_callback, FakeTick::Now};
};

TEST_F(AttemptTest, AHostOrBrokerThatNeverAnswersFailsAtTheLimit)
{
    const struct
    {
        CQuietListener::EKind eKind;
        std::string cause; // after "127.0.0.1:port"
    } cases[] = {
        {CQuietListener::SILENT, "no answer from 127.0.0.1:%d within 10 s"},
        {CQuietListener::MUTE, "no answer from the broker at 127.0.0.1:%d within 10 s"},
    };
    for (const auto& c : cases)
    {
        CQuietListener listener(c.eKind);
        ASSERT_GT(listener.Port(), 0);
        CRobotMqttService service(&m_callback, FakeTick::Now);
        m_callback.m_lines.clear();
        m_callback.SetInt("port", listener.Port());
        FakeTick::Set(START);
        service.Connect();
        PollUntil(service, [] { return false; }, std::chrono::milliseconds(300));
        ASSERT_TRUE(service.IsAttempting()) << Joined();

        FakeTick::Set(START + Link::ATTEMPT_LIMIT_MS);
        service.Poll();
        EXPECT_TRUE(service.IsAttempting()) << "the limit is not yet over";
        FakeTick::Set(START + Link::ATTEMPT_LIMIT_MS + 1);
        service.Poll();
        char szCause[128];
        std::snprintf(szCause, sizeof szCause, c.cause.c_str(), listener.Port());
        EXPECT_EQ(AfterConnectLine(), Lines({"connection fail", szCause}));
        EXPECT_EQ(service.LastFailure(), LINK_FAIL_NO_ANSWER);
        // The pause counts from the end of the attempt.
        FakeTick::Set(START + Link::ATTEMPT_LIMIT_MS + 1 + 60000);
        service.Poll();
        EXPECT_FALSE(service.IsAttempting());
        service.Close();
    }
}

TEST_F(AttemptTest, RefusalsAreFailuresInWords)
{
    const struct
    {
        const char* pszConfig;
        Lines lines;
        ELinkFailure eFailure;
        bool bConnected;
    } cases[] = {
        {"allow_anonymous false", {"connection fail", "connection refused: not authorised"}, LINK_FAIL_NOT_AUTHORISED,
         false},
        // A plugin that may refuse a subscription; the broker's own ACL file never does.
        {"plugin /usr/lib/x86_64-linux-gnu/mosquitto_dynamic_security.so\n"
         "plugin_opt_config_file %s/dynsec.json",
         {"connection success", "subscription refused: server/#"}, LINK_FAIL_NONE, true},
    };
    for (const auto& c : cases)
    {
        CTestBroker broker;
        std::ofstream(TestPlatform::HostPath(broker.Dir() + "/dynsec.json"))
            << R"({"defaultACLAccess": {"publishClientSend": false, "publishClientReceive": false,)"
            << R"( "subscribe": false, "unsubscribe": true}, "clients": [], "groups": [], "roles": []})";
        char szConfig[512];
        std::snprintf(szConfig, sizeof szConfig, c.pszConfig, broker.Dir().c_str());
        broker.AddConfig(szConfig);
        ASSERT_TRUE(broker.Start()) << broker.LogText();
        CRobotMqttService service(&m_callback, FakeTick::Now);
        m_callback.m_lines.clear();
        m_callback.SetInt("port", broker.Port());
        service.Connect();
        ASSERT_TRUE(PollUntil(service, [&] { return m_callback.Lines(LOG_MQTT).size() >= 3; })) << Joined();
        EXPECT_EQ(AfterConnectLine(), c.lines) << szConfig;
        EXPECT_EQ(service.LastFailure(), c.eFailure);
        EXPECT_EQ(service.IsConnected(), c.bConnected);
        service.Close();
    }
}

// After a resume the link is tested at once: a broker that answers keeps
// it; one that stays silent loses it, and the next attempt skips the pause.
TEST_F(AttemptTest, ResumeChecksTheLinkNow)
{
    CTestBroker broker;
    ASSERT_TRUE(broker.Start()) << broker.LogText();
    m_callback.SetInt("port", broker.Port());
    m_service.Connect();
    ASSERT_TRUE(WaitSubscribed(m_service, m_callback));

    m_service.CheckNow();
    ASSERT_TRUE(PollUntil(m_service, [&] { return m_callback.CountLibraryLog("UNSUBACK") == 1; }));
    FakeTick::Set(START + Link::ATTEMPT_LIMIT_MS + 1);
    m_service.Poll();
    EXPECT_TRUE(m_service.IsConnected()) << Joined();

    ASSERT_TRUE(broker.Pause());
    m_service.CheckNow();
    m_service.Poll();
    FakeTick::Set(START + 2 * Link::ATTEMPT_LIMIT_MS + 2);
    m_service.Poll();
    EXPECT_EQ(AfterConnectLine(),
              Lines({"connection success", "connection lost", "no answer to the link check within 10 s"}));
    ASSERT_TRUE(broker.Resume());
    size_t nReads = m_callback.CountReads("reconnect-sec");
    ASSERT_TRUE(PollUntil(m_service, [&] { return m_service.IsConnected(); })) << Joined();
    EXPECT_EQ(m_callback.CountReads("reconnect-sec"), nReads) << "no pause";
    EXPECT_EQ(m_callback.Lines(LOG_MQTT).back(), "reconnect success");

    // Waiting after a failure: the resume ends the pause.
    ASSERT_TRUE(broker.Stop());
    ASSERT_TRUE(PollUntil(m_service, [&] { return !m_service.IsConnected() && !m_service.IsAttempting(); }));
    m_service.Poll();
    EXPECT_FALSE(m_service.IsAttempting());
    m_service.CheckNow();
    m_service.Poll();
    ASSERT_TRUE(FinishAttempt(m_service));
    EXPECT_EQ(m_callback.Lines(LOG_MQTT).end()[-2], "reconnect fail");
}

TEST(ClientIdTest, NamesTheComputerAndTheUserAndStaysDistinct)
{
    EXPECT_EQ(MakeClientId("WARD-PC", "nurse"), "tavrin-WARD-PC-nurse");
    EXPECT_EQ(MakeClientId("WARD-PC", "nurse"), MakeClientId("WARD-PC", "nurse")) << "stable";
    // Names with characters that brokers may refuse keep a hash of the whole.
    const std::pair<std::string, std::string> distinct[][2] = {
        {{"PC", "홍길동"}, {"PC", "김철수"}},
        {{"PC", "a b"}, {"PC", "a+b"}},
        {{"", "nurse"}, {"WARD", "nurse"}},
        {{"PC", std::string(30, 'u') + "1"}, {"PC", std::string(30, 'u') + "2"}},
    };
    for (const auto& pair : distinct)
    {
        std::string a = MakeClientId(pair[0].first, pair[0].second);
        std::string b = MakeClientId(pair[1].first, pair[1].second);
        EXPECT_NE(a, b);
        for (const std::string& id : {a, b})
        {
            EXPECT_EQ(id.rfind("tavrin-", 0), 0u) << id;
            EXPECT_LE(id.size(), 64u) << id;
            EXPECT_EQ(id.find_first_not_of("abcdefghijklmnopqrstuvwxyzABCDEFGHIJKLMNOPQRSTUVWXYZ0123456789-_."),
                      std::string::npos)
                << id;
        }
    }
}
}
