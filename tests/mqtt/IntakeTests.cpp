#include "MqttTestSupport.h"
#include "mqtt/LinkFacts.h"
#include "TraceCapture.h"

#include <gtest/gtest.h>
#include <json/value.h>
#include <stdexcept>

namespace
{
typedef std::vector<std::string> Lines;

// Payloads go the whole way: publisher, broker, library, intake.
class IntakeTest : public CBrokerSuite
{
protected:
    void SetUp() override
    {
        m_callback.SetInt("port", s_pBroker->Port());
        m_service.Connect();
        ASSERT_TRUE(WaitSubscribed(m_service, m_callback));
    }
    void TearDown() override { m_service.Close(); }

    // Publishes and polls until the payload's "subscribe" line is there.
    void Deliver(const std::string& payload, const std::string& topic = Link::TOPIC_MESSAGE)
    {
        size_t nBefore = m_callback.Lines(LOG_SUBSCRIBE).size();
        CTestPublisher publisher(s_pBroker->Port());
        ASSERT_TRUE(publisher.Publish(topic, payload));
        ASSERT_TRUE(publisher.Sync());
        ASSERT_TRUE(PollUntil(m_service, [&] { return m_callback.Lines(LOG_SUBSCRIBE).size() > nBefore; }));
    }

    CFakeCallback m_callback;
    CRobotMqttService m_service{&m_callback, FakeTick::Now};
};

TEST_F(IntakeTest, TextThatIsNoJsonIsLoggedOnly)
{
    Deliver("robot is waiting");
    EXPECT_EQ(m_callback.Lines(LOG_SUBSCRIBE), Lines({"robot is waiting"}));
    EXPECT_TRUE(m_callback.m_messages.empty());
}

TEST_F(IntakeTest, AnyJsonValueIsDispatchedWithItsTopic)
{
    Deliver("42", "server/numbers");
    Deliver("/* from the server */ {\"a\": 1}");
    ASSERT_EQ(m_callback.m_messages.size(), 2u);
    EXPECT_EQ(m_callback.m_messages[0].topic, "server/numbers");
    EXPECT_TRUE(m_callback.m_messages[0].root.isInt());
    EXPECT_EQ(m_callback.m_messages[0].root.asInt(), 42);
    EXPECT_EQ(m_callback.m_messages[1].root["a"].asInt(), 1);
}

TEST_F(IntakeTest, KoreanArrivesAsUtf8WhetherRawOrEscaped)
{
    Deliver("{\"name\": \"홍길동\"}");
    Deliver("{\"name\": \"\\uD64D\\uAE38\\uB3D9\"}");
    EXPECT_EQ(m_callback.Lines(LOG_SUBSCRIBE)[0], "{\"name\": \"홍길동\"}");
    ASSERT_EQ(m_callback.m_messages.size(), 2u);
    EXPECT_EQ(m_callback.m_messages[0].root["name"].asString(), "홍길동");
    EXPECT_EQ(m_callback.m_messages[1].root["name"].asString(), "홍길동");
}

TEST_F(IntakeTest, PayloadEndsAtItsFirstNul)
{
    Deliver(std::string("{\"a\": 1}\0{\"b\"", 13));
    EXPECT_EQ(m_callback.Lines(LOG_SUBSCRIBE), Lines({"{\"a\": 1}"}));
    ASSERT_EQ(m_callback.m_messages.size(), 1u);
    EXPECT_FALSE(m_callback.m_messages[0].root.isMember("b"));
}

TEST_F(IntakeTest, InvalidUtf8IsReplacedAndStillParsed)
{
    Deliver("[\"caf\xC3\", \"\xFF\"]");
    EXPECT_EQ(m_callback.Lines(LOG_SUBSCRIBE), Lines({"[\"caf\xEF\xBF\xBD\", \"\xEF\xBF\xBD\"]"}));
    ASSERT_EQ(m_callback.m_messages.size(), 1u);
    EXPECT_EQ(m_callback.m_messages[0].root[0].asString(), "caf\xEF\xBF\xBD");
}

TEST_F(IntakeTest, EmptyPayloadIsAnEmptyLineOnly)
{
    Deliver("");
    EXPECT_EQ(m_callback.Lines(LOG_SUBSCRIBE), Lines({""}));
    EXPECT_TRUE(m_callback.m_messages.empty());
}

TEST_F(IntakeTest, NestingBeyondTheReaderIsNoJson)
{
    // The reader throws for this rather than failing.
    Deliver(std::string(100000, '['));
    EXPECT_TRUE(m_callback.m_messages.empty());
    Deliver("{}");
    EXPECT_EQ(m_callback.m_messages.size(), 1u);
}

class CThrowingCallback : public CFakeCallback
{
public:
    void OnMessage(const std::string& topic, const Json::Value& root) override
    {
        CFakeCallback::OnMessage(topic, root);
        throw std::runtime_error("from the window");
    }
};

TEST_F(IntakeTest, ExceptionFromTheWindowStaysOutOfTheLibrary)
{
    m_service.Close();
    CThrowingCallback callback;
    CRobotMqttService service(&callback, FakeTick::Now);
    callback.SetInt("port", s_pBroker->Port());
    service.Connect();
    ASSERT_TRUE(WaitSubscribed(service, callback));

    CTestPublisher publisher(s_pBroker->Port());
    publisher.Publish(Link::TOPIC_MESSAGE, "{\"n\": 1}");
    publisher.Publish(Link::TOPIC_MESSAGE, "{\"n\": 2}");
    ASSERT_TRUE(publisher.Sync());
    CTraceCapture trace;
    EXPECT_TRUE(PollUntil(service, [&] { return callback.m_messages.size() == 2; }));
    EXPECT_TRUE(service.IsConnected());
    service.Close();
    EXPECT_NE(trace.Text().find("exception in the message callback: from the window"), std::string::npos)
        << "swallowed, but traced for a debugger";
}
}
