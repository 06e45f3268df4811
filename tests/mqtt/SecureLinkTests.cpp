// Sign-in and TLS against a broker with a TLS listener, a password file and
// an ACL, its CA and certificates made by the test (pki.sh).
#include "MqttTestSupport.h"
#include "QuietListener.h"
#include "config/ProtectedPassword.h"
#include "mqtt/LinkFacts.h"


namespace
{
const char PASSWORD[] = "s3cret pass";

// The settings of a site whose IT secured its broker.
void SecureSettings(CFakeCallback& callback, const CTestBroker& broker)
{
    callback.SetString(Link::KEY_HOST, "localhost");
    callback.SetInt(Link::KEY_PORT, broker.Port());
    callback.SetInt(Link::KEY_TLS, 1);
    callback.SetString(Link::KEY_CA_FILE, broker.HostFile("ca.crt"));
    callback.SetString(Link::KEY_USER, "tavrin");
    callback.SetString(Link::KEY_PASSWORD, PASSWORD);
}

class SecureLinkTest : public testing::Test
{
protected:
    static void SetUpTestSuite()
    {
        for (CTestBroker*& pBroker : {std::ref(s_pBroker), std::ref(s_pExpired)})
            pBroker = new CTestBroker;
        ASSERT_TRUE(s_pBroker->MakeSecure("server") && s_pBroker->Start()) << s_pBroker->LogText();
        ASSERT_TRUE(s_pExpired->MakeSecure("expired") && s_pExpired->Start()) << s_pExpired->LogText();
    }
    static void TearDownTestSuite()
    {
        delete s_pBroker;
        delete s_pExpired;
    }

    void TearDown() override { m_service.Close(); }

    void Secure(const CTestBroker& broker) { SecureSettings(m_callback, broker); }

    // Starts the client and ends its first attempt; the mqtt pane's lines.
    std::vector<std::string> Attempt()
    {
        m_service.Connect();
        EXPECT_TRUE(FinishAttempt(m_service));
        return m_callback.Lines(LOG_MQTT);
    }

    std::string AllText() const
    {
        std::string text;
        for (const CFakeCallback::CLine& line : m_callback.m_lines)
            text += line.text + "\n";
        return text;
    }

    inline static CTestBroker* s_pBroker = nullptr;
    inline static CTestBroker* s_pExpired = nullptr;
    CFakeCallback m_callback;
    CRobotMqttService m_service{&m_callback, FakeTick::Now};
};

TEST_F(SecureLinkTest, ConnectsWithTheCaFileSignsInAndTakesMessages)
{
    Secure(*s_pBroker);
    m_callback.SetString(Link::KEY_CERT_FILE, s_pBroker->HostFile("client.crt"));
    m_callback.SetString(Link::KEY_KEY_FILE, s_pBroker->HostFile("client.key"));
    const std::vector<std::string> lines = Attempt();
    ASSERT_TRUE(m_service.IsConnected()) << AllText() << s_pBroker->LogText();
    EXPECT_EQ("connect(localhost:" + std::to_string(s_pBroker->Port()) + ") tls", lines.at(0));
    EXPECT_EQ("connection success", lines.at(1));
    ASSERT_TRUE(WaitSubscribed(m_service, m_callback)) << AllText();

    CTestPublisher robot(s_pBroker->Port(), s_pBroker->HostFile("ca.crt"));
    ASSERT_TRUE(robot.Publish(Link::TOPIC_MESSAGE, "{\"id\":1}") && robot.Sync());
    EXPECT_TRUE(PollUntil(m_service, [&] { return m_callback.m_nMessages == 1; })) << AllText();
}

// Each way the broker is refused or refuses, and the words the pane gives.
TEST_F(SecureLinkTest, EachRefusalInWords)
{
    struct SCase
    {
        const char* pszName;
        bool bExpired;
        const char* pszKey;
        std::string value;
        ELinkFailure eFailure;
        const char* pszWords;
    };
    const SCase CASES[] = {
        {"system roots only", false, Link::KEY_CA_FILE, "", LINK_FAIL_TLS, "certificate not trusted (issued by CN=Tavrin Test CA)"},
        {"another CA", false, Link::KEY_CA_FILE, s_pBroker->HostFile("other-ca.crt"), LINK_FAIL_TLS, "certificate not trusted (issued by CN=Tavrin Test CA)"},
        {"the address for the name", false, Link::KEY_HOST, "127.0.0.1", LINK_FAIL_TLS, "host name does not match the certificate"},
        {"expired", true, Link::KEY_USER, "tavrin", LINK_FAIL_TLS, "certificate expired"},
        {"wrong password", false, Link::KEY_PASSWORD, "wrong", LINK_FAIL_NOT_AUTHORISED, "connection refused: not authorised"},
        {"damaged protected form", false, Link::KEY_PASSWORD, std::string(PROTECTED_PREFIX) + "%%%", LINK_FAIL_BAD_LOGIN, "the protected password in the settings is damaged"},
        {"missing CA file", false, Link::KEY_CA_FILE, "/nonexistent/ca.crt", LINK_FAIL_TLS, "CA file /nonexistent/ca.crt not loaded"},
        {"key of another certificate", false, Link::KEY_KEY_FILE, s_pBroker->HostFile("server.key"), LINK_FAIL_TLS, "client key"},
    };
    for (const SCase& c : CASES)
    {
        SCOPED_TRACE(c.pszName);
        CFakeCallback callback;
        CRobotMqttService service(&callback, FakeTick::Now);
        const CTestBroker& broker = c.bExpired ? *s_pExpired : *s_pBroker;
        SecureSettings(callback, broker);
        if (std::string(c.pszKey) == Link::KEY_KEY_FILE)
            callback.SetString(Link::KEY_CERT_FILE, broker.HostFile("client.crt"));
        callback.SetString(c.pszKey, c.value);
        service.Connect();
        ASSERT_TRUE(FinishAttempt(service));
        const std::vector<std::string> lines = callback.Lines(LOG_MQTT);
        ASSERT_GE(lines.size(), 3u);
        EXPECT_EQ("connection fail", lines[1]);
        EXPECT_NE(std::string::npos, lines[2].find(c.pszWords)) << lines[2];
        EXPECT_EQ(c.eFailure, service.LastFailure());
        service.Close();
    }
}

TEST_F(SecureLinkTest, ThePlainPasswordIsReplacedAndNeverShown)
{
    Secure(*s_pBroker);
    Attempt();
    ASSERT_TRUE(m_service.IsConnected()) << AllText();
    const std::string stored = m_callback.GetConfigString(Link::SECTION, Link::KEY_PASSWORD, "");
    EXPECT_TRUE(IsProtectedForm(stored)) << stored;
    EXPECT_EQ(std::string::npos, stored.find(PASSWORD));
    EXPECT_EQ(std::string::npos, AllText().find(PASSWORD));
    m_service.Close();

    // The next start signs in with the protected form alone.
    CRobotMqttService next(&m_callback, FakeTick::Now);
    next.Connect();
    ASSERT_TRUE(FinishAttempt(next));
    EXPECT_TRUE(next.IsConnected()) << AllText();
    EXPECT_EQ(stored, m_callback.GetConfigString(Link::SECTION, Link::KEY_PASSWORD, ""));
    next.Close();
}

TEST_F(SecureLinkTest, TheInsecureSwitchConnectsAndSaysSoAtEveryConnect)
{
    Secure(*s_pBroker);
    m_callback.SetString(Link::KEY_CA_FILE, s_pBroker->HostFile("other-ca.crt"));
    m_callback.SetInt(Link::KEY_TLS_INSECURE, 1);
    const std::vector<std::string> lines = Attempt();
    EXPECT_TRUE(m_service.IsConnected()) << AllText();
    EXPECT_NE(std::string::npos, lines.at(1).find(Link::KEY_TLS_INSECURE)) << lines.at(1);
}

TEST_F(SecureLinkTest, APlainClientIsNotLetIntoTheTlsListener)
{
    Secure(*s_pBroker);
    m_callback.SetInt(Link::KEY_TLS, 0);
    const std::vector<std::string> lines = Attempt();
    EXPECT_FALSE(m_service.IsConnected());
    EXPECT_EQ("connect(localhost:" + std::to_string(s_pBroker->Port()) + ")", lines.at(0));
    EXPECT_EQ("connection fail", lines.at(1));
}

// A broker that takes the TCP connection and never answers the hello holds
// nothing: the attempt ends at the limit, and says it was the handshake.
TEST_F(SecureLinkTest, AStalledHandshakeEndsAtTheLimit)
{
    CQuietListener listener(CQuietListener::MUTE);
    ASSERT_GT(listener.Port(), 0);
    Secure(*s_pBroker);
    m_callback.SetString(Link::KEY_HOST, "127.0.0.1");
    m_callback.SetInt(Link::KEY_PORT, listener.Port());
    FakeTick::Set(1000);
    m_service.Connect();
    PollUntil(m_service, [] { return false; }, std::chrono::milliseconds(300));
    ASSERT_TRUE(m_service.IsAttempting()) << AllText();
    FakeTick::Set(1000 + Link::ATTEMPT_LIMIT_MS + 1);
    m_service.Poll();
    EXPECT_EQ(std::vector<std::string>({"connect(127.0.0.1:" + std::to_string(listener.Port()) + ") tls", "connection fail",
                     "no TLS handshake with 127.0.0.1:" + std::to_string(listener.Port()) + " within 10 s"}),
              m_callback.Lines(LOG_MQTT));
    EXPECT_EQ(LINK_FAIL_TLS, m_service.LastFailure());
}
}
