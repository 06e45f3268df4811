// "watch" against the tests' broker, beside a client that stands for the
// running program.
#include "CheckTestSupport.h"
#include "../mqtt/MqttTestSupport.h"
#include "check/CheckConsole.h"

#include <csignal>
#include <regex>
#include <thread>

namespace
{
const std::string GUIDE = Request(R"("guide:start:김민수")");

// "watch" on its own thread until Stop, as Ctrl+C ends it.
class CWatchThread
{
public:
    CWatchThread(int nPort, std::vector<std::string> extra = {},
                 void (*pfnCatch)(std::atomic<bool>*) = IgnoreInterrupt)
        : m_run(std::string(), pfnCatch)
    {
        std::vector<std::string> args{"watch", "--port", std::to_string(nPort)};
        args.insert(args.end(), extra.begin(), extra.end());
        m_thread = std::thread([this, args] { m_nExit = m_run.Run(args); });
    }
    ~CWatchThread()
    {
        if (m_thread.joinable())
            Stop();
    }
    bool WaitWatching()
    {
        return WaitUntil([this] { return m_run.err.Text().find("; Ctrl+C ends\n") != std::string::npos; });
    }
    bool WaitLines(size_t n)
    {
        return WaitUntil([&] { return m_run.out.Lines().size() >= n; });
    }
    int Stop()
    {
        m_run.stop = true;
        return Join();
    }
    int Join()
    {
        m_thread.join();
        return m_nExit;
    }

    CCheckRun m_run;

private:
    std::thread m_thread;
    int m_nExit = -1;
};

class WatchTest : public CBrokerSuite
{
protected:
    void Publish(const std::string& topic, const std::string& payload)
    {
        CTestPublisher publisher(s_pBroker->Port());
        ASSERT_TRUE(publisher.Publish(topic, payload));
        ASSERT_TRUE(publisher.Sync());
    }
};

TEST_F(WatchTest, ADatedVerdictLineForEachMessageAndTheCountsAtTheEnd)
{
    // The running program, connected as "tavrin": the watch must not push it off.
    CFakeCallback program;
    program.SetInt("port", s_pBroker->Port());
    CRobotMqttService service(&program, FakeTick::Now);
    service.Connect();
    ASSERT_TRUE(WaitSubscribed(service, program));

    CWatchThread watch(s_pBroker->Port());
    ASSERT_TRUE(watch.WaitWatching()) << watch.m_run.err.Text();
    EXPECT_NE(std::string::npos, watch.m_run.err.Text().find(" as tavrin-check-"));
    Publish("server/sendMessage", GUIDE);
    Publish("server/sendMessage", Request(R"("IDLE")"));
    Publish("server/sendMessage", R"({"id":1,"timestamp":2})");
    Publish("server/status", "robot is fine");
    Publish("server/status", GUIDE);
    ASSERT_TRUE(watch.WaitLines(5)) << watch.m_run.out.Text();
    ASSERT_TRUE(PollUntil(service, [&] { return program.Lines(LOG_SUBSCRIBE).size() == 5; }));
    EXPECT_EQ(0, program.CountLines(LOG_MQTT, "connection lost"));
    service.Close();
    // Three were dropped: the usage text's promise.
    EXPECT_EQ(EXIT_DROPPED, watch.Stop());

    const std::vector<std::string> lines = watch.m_run.out.Lines();
    ASSERT_EQ(10u, lines.size()) << watch.m_run.out.Text();
    const std::regex dated(R"(\d{4}-\d\d-\d\d \d\d:\d\d:\d\d  .*)");
    for (size_t i = 0; i < 5; ++i)
        EXPECT_TRUE(std::regex_match(lines[i], dated)) << lines[i];
    const char* const EXPECTED[] = {
        "  shown    server/sendMessage  guide:start:김민수 → RobotStatus 안내 중(시작), RobotDetail [김민수]님",
        "  shown    server/sendMessage  IDLE → no row for 'IDLE'  ! 'IDLE' is no keyword, but 'idle' is: keywords are case-sensitive",
        "  dropped  server/sendMessage  no \"correlationId\"",
        "  dropped  server/status  no JSON: Line 1, Column 1: Syntax error: value, object or array expected.",
        "  dropped  server/status  topic \"server/status\" is not \"server/sendMessage\"",
        "",
    };
    for (size_t i = 0; i < 6; ++i)
        EXPECT_EQ(EXPECTED[i], lines[i].substr(std::min<size_t>(19, lines[i].size()))) << lines[i];
    EXPECT_NE(std::string::npos, lines[6].find(": 5 messages, 2 shown, 3 dropped")) << lines[6];
    // By reason, in the order of their codes.
    EXPECT_EQ("  1  no \"correlationId\"", lines[7]);
    EXPECT_EQ("  1  no JSON", lines[8]);
    EXPECT_EQ("  1  a topic other than \"server/sendMessage\"", lines[9]);
}

TEST_F(WatchTest, JsonLinesAndAJsonSummary)
{
    CWatchThread watch(s_pBroker->Port(), {"--json"});
    ASSERT_TRUE(watch.WaitWatching()) << watch.m_run.err.Text();
    Publish("server/sendMessage", GUIDE);
    Publish("server/sendMessage", "{");
    ASSERT_TRUE(watch.WaitLines(2));
    EXPECT_EQ(EXIT_DROPPED, watch.Stop());
    const std::vector<std::string> lines = watch.m_run.out.Lines();
    ASSERT_EQ(3u, lines.size());
    Json::Value shown, dropped, summary;
    ASSERT_TRUE(Json::Reader().parse(lines[0], shown));
    ASSERT_TRUE(Json::Reader().parse(lines[1], dropped));
    ASSERT_TRUE(Json::Reader().parse(lines[2], summary));
    EXPECT_EQ("안내 중(시작)", shown["board"][0]["text"].asString());
    EXPECT_EQ("server/sendMessage", shown["topic"].asString());
    EXPECT_TRUE(std::regex_match(shown["time"].asString(), std::regex(R"(\d{4}-\d\d-\d\d \d\d:\d\d:\d\d)")));
    EXPECT_FALSE(shown["retained"].asBool());
    EXPECT_EQ("no-json", dropped["reason"]["code"].asString());
    EXPECT_EQ(1, summary["summary"]["shown"].asInt());
    EXPECT_EQ(1, summary["summary"]["dropped"]["no-json"].asInt());
}

TEST_F(WatchTest, GoesOnWhenTheBrokerComesBack)
{
    CWatchThread watch(s_pBroker->Port());
    ASSERT_TRUE(watch.WaitWatching());
    ASSERT_TRUE(s_pBroker->Stop());
    ASSERT_TRUE(WaitUntil([&] { return watch.m_run.err.Text().find("lost") != std::string::npos; }));
    ASSERT_TRUE(s_pBroker->Start()) << s_pBroker->LogText();
    ASSERT_TRUE(WaitUntil([&] { return watch.m_run.err.Text().find("connected again") != std::string::npos; }))
        << watch.m_run.err.Text();
    // Its subscription may trail the connection: publish until it arrives.
    EXPECT_TRUE(WaitUntil([&] {
        Publish("server/sendMessage", GUIDE);
        return watch.m_run.out.Lines().size() >= 1;
    })) << watch.m_run.err.Text();
    EXPECT_EQ(0, watch.Stop());
}

TEST_F(WatchTest, NoBrokerIsAnError)
{
    int nPort = TestPlatform::FreeLoopbackPort();
    CCheckRun run;
    EXPECT_EQ(2, run.Run({"watch", "--port", std::to_string(nPort)}));
    EXPECT_NE(std::string::npos, run.err.Text().find("cannot connect to 127.0.0.1:" + std::to_string(nPort)))
        << run.err.Text();
}

TEST_F(WatchTest, CtrlCEndsItWithTheCounts)
{
#ifdef _WIN32
    GTEST_SKIP() << "no console to send Ctrl+C to under the tests";
#else
    CWatchThread watch(s_pBroker->Port(), {}, CheckConsole::CatchInterrupt);
    ASSERT_TRUE(watch.WaitWatching());
    std::raise(SIGINT);
    EXPECT_EQ(0, watch.Join());
    EXPECT_NE(std::string::npos, watch.m_run.out.Text().find(": 0 messages, 0 shown, 0 dropped\n"));
#endif
}

// Against a broker with TLS, sign-in and an ACL, as a CI step would run it.
class SecureWatchTest : public testing::Test
{
protected:
    static void SetUpTestSuite()
    {
        s_pBroker = new CTestBroker;
        ASSERT_TRUE(s_pBroker->MakeSecure() && s_pBroker->Start()) << s_pBroker->LogText();
    }
    static void TearDownTestSuite() { delete s_pBroker; }
    void SetUp() override { SetPassword("s3cret pass"); }
    void TearDown() override { SetPassword(nullptr); }

    static void SetPassword(const char* pszPassword)
    {
#ifdef _WIN32
        _putenv_s("TAVRIN_CHECK_PASSWORD", pszPassword ? pszPassword : "");
#else
        if (pszPassword)
            setenv("TAVRIN_CHECK_PASSWORD", pszPassword, 1);
        else
            unsetenv("TAVRIN_CHECK_PASSWORD");
#endif
    }
    std::vector<std::string> Secure(std::vector<std::string> extra) const
    {
        std::vector<std::string> args{"--host", "localhost", "--cafile", s_pBroker->HostFile("ca.crt"), "-u", "tavrin"};
        args.insert(args.end(), extra.begin(), extra.end());
        return args;
    }

    inline static CTestBroker* s_pBroker = nullptr;
};

TEST_F(SecureWatchTest, EndsAfterTheCountWithTheVerdictInItsStatus)
{
    for (const auto& [payload, nExit] : {std::pair{GUIDE, EXIT_ALL_SHOWN}, std::pair{std::string("{"), EXIT_DROPPED}})
    {
        CWatchThread watch(s_pBroker->Port(), Secure({"-C", "2", "--cert", s_pBroker->HostFile("client.crt"),
                                                      "--key", s_pBroker->HostFile("client.key")}));
        ASSERT_TRUE(watch.WaitWatching()) << watch.m_run.err.Text();
        CTestPublisher robot(s_pBroker->Port(), s_pBroker->HostFile("ca.crt"));
        for (const std::string& one : {GUIDE, payload, GUIDE})
            ASSERT_TRUE(robot.Publish("server/sendMessage", one, 1));
        ASSERT_TRUE(robot.Sync());
        EXPECT_EQ(nExit, watch.Join()) << watch.m_run.err.Text();
        EXPECT_NE(std::string::npos, watch.m_run.out.Text().find(": 2 messages")) << watch.m_run.out.Text();
    }
}

TEST_F(SecureWatchTest, EndsAfterTheQuietTime)
{
    CWatchThread watch(s_pBroker->Port(), Secure({"-W", "1"}));
    EXPECT_EQ(EXIT_ALL_SHOWN, watch.Join()) << watch.m_run.err.Text();
    EXPECT_NE(std::string::npos, watch.m_run.out.Text().find(": 0 messages")) << watch.m_run.out.Text();
}

TEST_F(SecureWatchTest, ARefusalOrAnUntrustedBrokerFailsInWords)
{
    const std::string other = s_pBroker->HostFile("other-ca.crt");
    const struct
    {
        std::vector<std::string> args;
        const char* pszPassword;
        const char* pszWords;
    } CASES[] = {
        {{"--cafile", other}, "s3cret pass", "certificate not trusted (issued by CN=Tavrin Test CA)"},
        {{"--host", "127.0.0.1"}, "s3cret pass", "host name does not match the certificate"},
        {{}, "wrong", "refused the connection: Connection Refused: not authorised"},
        {{"--cert", s_pBroker->HostFile("client.crt")}, "s3cret pass", "--cert and --key go together"},
        {{"-C", "0"}, "s3cret pass", "-C needs a number of messages"},
    };
    for (const auto& c : CASES)
    {
        SCOPED_TRACE(c.pszWords);
        SetPassword(c.pszPassword);
        CCheckRun run;
        std::vector<std::string> args{"watch", "--port", std::to_string(s_pBroker->Port())};
        for (const std::string& arg : Secure(c.args))
            args.push_back(arg);
        EXPECT_EQ(EXIT_USAGE, run.Run(args));
        EXPECT_NE(std::string::npos, run.err.Text().find(c.pszWords)) << run.err.Text();
    }
}
}
