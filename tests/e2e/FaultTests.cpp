// Faults of the broker and the network, bad payloads and bad settings, tried
// on the real Tavrin.exe. After each case the program must still run, show
// the next valid message and have left its INI file as it was (or written
// only the keys it is meant to write).
#include "ProgramProbe.h"
#include "mqtt/ClientId.h"
#include "mqtt/LinkFacts.h"
#include "TestPublisher.h"

#include <gtest/gtest.h>
#include <mosquitto.h>
#include <windows.h>
#include <commctrl.h>

#include <algorithm>
#include <atomic>
#include <chrono>
#include <cstdio>
#include <functional>
#include <memory>
#include <mutex>
#include <set>
#include <string>
#include <thread>
#include <vector>

using namespace Probe;

namespace
{
const char* const TOPIC = Link::TOPIC_MESSAGE;
// What the panes show of a text at most, before the mark of its full size.
const size_t MAX_TEXT_CHARS = 4096;

std::wstring TextOf(const std::wstring& line)
{
    return line.size() >= TIME_PART ? line.substr(TIME_PART) : line;
}

std::wstring SizeMark(size_t nBytes)
{
    return L"\u2026 (" + std::to_wstring(nBytes) + L" bytes)";
}

// A long ASCII text as a pane shows it.
std::wstring CutAscii(const std::string& text)
{
    return Widen(text.substr(0, MAX_TEXT_CHARS)) + SizeMark(text.size());
}

std::string Repeat(const std::string& s, size_t n)
{
    std::string out;
    out.reserve(s.size() * n);
    for (size_t i = 0; i < n; ++i)
        out += s;
    return out;
}

double SecondsSince(std::chrono::steady_clock::time_point t)
{
    return std::chrono::duration<double>(std::chrono::steady_clock::now() - t).count();
}

// A second client under the program's own identifier, as a second copy of
// the program with the same "client-id" would be: the broker lets only one of
// them stay connected.
class CSameIdClient
{
public:
    CSameIdClient() : m_pMosq(mosquitto_new(DefaultClientId().c_str(), true, this))
    {
        if (m_pMosq)
            mosquitto_connect_callback_set(m_pMosq, OnConnect);
    }
    ~CSameIdClient()
    {
        if (!m_pMosq)
            return;
        mosquitto_disconnect(m_pMosq);
        mosquitto_destroy(m_pMosq);
    }
    CSameIdClient(const CSameIdClient&) = delete;
    CSameIdClient& operator=(const CSameIdClient&) = delete;

    // Connects (or connects again) and waits for the broker's acceptance.
    bool Connect(int nPort)
    {
        if (!m_pMosq)
            return false;
        m_bAccepted = false;
        int rc = m_bStarted ? mosquitto_reconnect(m_pMosq) : mosquitto_connect(m_pMosq, "127.0.0.1", nPort, 60);
        m_bStarted = true;
        if (rc != MOSQ_ERR_SUCCESS)
            return false;
        auto tEnd = std::chrono::steady_clock::now() + std::chrono::seconds(20);
        while (!m_bAccepted && std::chrono::steady_clock::now() < tEnd)
            if (mosquitto_loop(m_pMosq, 10, 1) != MOSQ_ERR_SUCCESS)
                return false;
        return m_bAccepted;
    }
    // Runs the network loop for a while; false once the broker has closed
    // the connection.
    bool StaysConnected(int nMs)
    {
        auto tEnd = std::chrono::steady_clock::now() + std::chrono::milliseconds(nMs);
        while (std::chrono::steady_clock::now() < tEnd)
            if (mosquitto_loop(m_pMosq, 10, 1) != MOSQ_ERR_SUCCESS)
                return false;
        return true;
    }

private:
    static void OnConnect(mosquitto*, void* pUser, int rc)
    {
        static_cast<CSameIdClient*>(pUser)->m_bAccepted = rc == 0;
    }

    mosquitto* m_pMosq;
    bool m_bStarted = false;
    bool m_bAccepted = false;
};

class FaultTest : public CProgramTest
{
protected:
    // Publishes a valid message until the board shows it: the first one after
    // a (re)connection has to wait for the subscription.
    bool ShowsNext(HWND hDlg, const std::string& name, int nMs = 30000)
    {
        CTestPublisher pub(m_broker.Port());
        if (!pub.IsConnected())
            return false;
        return WaitFor([&] {
            pub.Publish(TOPIC, RobotMessage("guide:ok:" + name, "next " + name));
            pub.Sync();
            return ItemText(hDlg, IDC_ROBOT_DETAIL) == L"[" + Widen(name) + L"]님";
        }, nMs);
    }

    // Still running and answering, the next message shown in full, the INI
    // file as given.
    void ExpectRecovered(HWND hDlg, const std::string& name, const std::string& ini)
    {
        EXPECT_TRUE(m_app.IsRunning());
        EXPECT_TRUE(Responds(hDlg));
        EXPECT_TRUE(ShowsNext(hDlg, name)) << "the next message after " << name;
        EXPECT_EQ(ItemText(hDlg, IDC_ROBOT_STATUS), L"안내 중(완료)");
        EXPECT_TRUE(PaneHas(hDlg, PANE_GENERAL, L"  next " + Widen(name)));
        EXPECT_EQ(ReadIni(), ini);
    }

    // As the user would: pick the pane's tab, then "지우기".
    void ClearPane(HWND hDlg, int nPane)
    {
        DWORD_PTR result = 0;
        SendMessageTimeoutW(GetDlgItem(hDlg, IDC_TAB_LOG), TCM_SETCURSEL, nPane, 0, SMTO_ABORTIFHUNG, 5000, &result);
        SendMessageTimeoutW(hDlg, WM_COMMAND, MAKEWPARAM(IDC_BTN_CLEAR, BN_CLICKED),
                            reinterpret_cast<LPARAM>(GetDlgItem(hDlg, IDC_BTN_CLEAR)), SMTO_ABORTIFHUNG, 5000, &result);
    }

    bool MqttPaneHas(HWND hDlg, const wchar_t* pszLine, int nMs = 20000)
    {
        return WaitFor([&] { return PaneHas(hDlg, PANE_MQTT, pszLine); }, nMs);
    }

    std::string IniWithPause(const std::string& pause) const
    {
        return "[RobotMqttService]\r\nip=127.0.0.1\r\nport=" + std::to_string(m_broker.Port()) +
               "\r\nreconnect-sec=" + pause + "\r\nclient-id=\r\n" + SecurityDefaultsIni() + NotificationIni();
    }
};
}

// ---------------------------------------------------------------- the broker

TEST_F(FaultTest, BrokerDownAtStartThenUp)
{
    ASSERT_TRUE(m_broker.Stop());
    HWND hDlg = StartProgram();
    ASSERT_NE(hDlg, nullptr);
    ASSERT_TRUE(MqttPaneHas(hDlg, L"  connection fail"));
    ASSERT_TRUE(MqttPaneHas(hDlg, L"  reconnect fail", 10000)) << "a one-second pause";
    ASSERT_TRUE(m_broker.Start());
    ASSERT_TRUE(MqttPaneHas(hDlg, L"  reconnect success", 10000));

    // Each failure is a fixed line and its cause.
    std::vector<std::wstring> lines = PaneLines(hDlg, PANE_MQTT);
    ASSERT_GE(lines.size(), 6u);
    const std::wstring where = L"127.0.0.1:" + std::to_wstring(m_broker.Port());
    EXPECT_EQ(TextOf(lines[0]), L"connect(" + where + L")");
    EXPECT_EQ(TextOf(lines[1]), L"connection fail");
    for (size_t i = 1; i + 1 < lines.size(); i += 2)
    {
        EXPECT_EQ(TextOf(lines[i]), i == 1 ? L"connection fail" : L"reconnect fail");
        EXPECT_EQ(TextOf(lines[i + 1]).rfind(where + L": ", 0), 0u);
    }
    EXPECT_EQ(TextOf(lines.back()), L"reconnect success");
    ExpectRecovered(hDlg, "up", StandardIni());
    EXPECT_TRUE(ExitProgram(hDlg));
}

TEST_F(FaultTest, BrokerRestartedMidStream)
{
    HWND hDlg = StartProgram();
    ASSERT_NE(hDlg, nullptr);
    ASSERT_TRUE(ShowsNext(hDlg, "before"));
    ClearPane(hDlg, PANE_GENERAL);

    // A stream of numbered messages, ten a second, from a publisher that
    // connects again whenever its connection is gone. A number counts as
    // taken in once the broker has answered the QoS 1 message behind it.
    std::atomic<bool> bStop(false);
    std::mutex lock;
    std::set<int> taken;
    std::thread stream([&] {
        std::unique_ptr<CTestPublisher> pub;
        for (int i = 0; !bStop; ++i)
        {
            if (!pub || !pub->IsConnected())
                pub.reset(new CTestPublisher(m_broker.Port()));
            if (pub->IsConnected() && pub->Publish(TOPIC, RobotMessage("idle", "n=" + std::to_string(i))) && pub->Sync())
            {
                std::lock_guard<std::mutex> guard(lock);
                taken.insert(i);
            }
            else
                pub.reset();
            std::this_thread::sleep_for(std::chrono::milliseconds(100));
        }
    });
    auto Taken = [&] {
        std::lock_guard<std::mutex> guard(lock);
        return taken;
    };
    auto Shown = [&] {
        std::set<int> shown;
        for (const std::wstring& line : PaneLines(hDlg, PANE_GENERAL))
            if (TextOf(line).compare(0, 2, L"n=") == 0)
                shown.insert(std::stoi(TextOf(line).substr(2)));
        return shown;
    };

    bool bFlowed = WaitFor([&] { return Shown().size() >= 5; });
    bool bStopped = m_broker.Stop();
    std::set<int> before = Taken();
    bool bLost = MqttPaneHas(hDlg, L"  connection lost");
    std::this_thread::sleep_for(std::chrono::milliseconds(1500));
    bool bStarted = m_broker.Start();
    bool bBack = MqttPaneHas(hDlg, L"  reconnect success");
    // The subscription is renewed: the stream shows again, ten more at least.
    int nLastBefore = before.empty() ? -1 : *before.rbegin();
    bool bFlowsAgain = WaitFor([&] {
        std::set<int> shown = Shown();
        return std::count_if(shown.begin(), shown.end(), [&](int n) { return n > nLastBefore; }) >= 10;
    }, 30000);
    bStop = true;
    stream.join();
    ASSERT_TRUE(bFlowed && bStopped && bLost && bStarted && bBack && bFlowsAgain)
        << bFlowed << bStopped << bLost << bStarted << bBack << bFlowsAgain;
    int nLastTaken = *Taken().rbegin();
    EXPECT_TRUE(WaitFor([&] { return Shown().count(nLastTaken) == 1; })) << "the last one, n=" << nLastTaken;

    // Every number that the broker took in is shown, in order, except those
    // it took in after the restart and before the program's subscription
    // was back (a clean session has none in between).
    std::vector<int> shownInOrder;
    for (const std::wstring& line : PaneLines(hDlg, PANE_GENERAL))
        if (TextOf(line).compare(0, 2, L"n=") == 0)
            shownInOrder.push_back(std::stoi(TextOf(line).substr(2)));
    ASSERT_FALSE(shownInOrder.empty());
    EXPECT_TRUE(std::is_sorted(shownInOrder.begin(), shownInOrder.end()));
    std::set<int> shown(shownInOrder.begin(), shownInOrder.end());
    EXPECT_EQ(shown.size(), shownInOrder.size()) << "each once";
    int nFirstAgain = *std::find_if(shown.begin(), shown.end(), [&](int n) { return n > nLastBefore; });
    int nUnsubscribed = 0;
    for (int n : Taken())
    {
        if (n > nLastBefore && n < nFirstAgain)
            ++nUnsubscribed;
        else
            EXPECT_EQ(shown.count(n), 1u) << "n=" << n << " taken in by the broker";
    }
    std::printf("[ restart ] n=%d to %d shown, the broker down, %d taken in before the subscription, "
                "n=%d to %d shown\n",
                *shown.begin(), nLastBefore, nUnsubscribed, nFirstAgain, *shown.rbegin());

    std::vector<std::wstring> mqtt = PaneLines(hDlg, PANE_MQTT);
    ASSERT_GE(mqtt.size(), 4u);
    EXPECT_EQ(TextOf(mqtt[1]), L"connection success");
    EXPECT_EQ(TextOf(mqtt[2]), L"connection lost");
    EXPECT_FALSE(TextOf(mqtt[3]).empty()) << "the cause";
    EXPECT_EQ(TextOf(mqtt.back()), L"reconnect success");
    ExpectRecovered(hDlg, "after", StandardIni());
    EXPECT_TRUE(ExitProgram(hDlg));
}

// The slow one: the program notices a silent broker only through its
// keep-alive of 60 s, a ping after 60 s of silence and the loss after 60 s
// more without an answer.
TEST_F(FaultTest, BrokerFrozenPastTheKeepAliveThenResumed)
{
    HWND hDlg = StartProgram();
    ASSERT_NE(hDlg, nullptr);
    ASSERT_TRUE(ShowsNext(hDlg, "before"));
    auto tFrozen = std::chrono::steady_clock::now();
    ASSERT_TRUE(m_broker.Pause());

    ASSERT_TRUE(MqttPaneHas(hDlg, L"  connection lost", 200000));
    double dLoss = SecondsSince(tFrozen);
    std::printf("[ frozen  ] loss noticed after %.0f s\n", dLoss);
    EXPECT_GT(dLoss, 55.0) << "not before the keep-alive";
    EXPECT_TRUE(Responds(hDlg)) << "the window answered all along";

    ASSERT_TRUE(m_broker.Resume());
    ASSERT_TRUE(MqttPaneHas(hDlg, L"  reconnect success", 30000));
    ExpectRecovered(hDlg, "resumed", StandardIni());
    EXPECT_TRUE(ExitProgram(hDlg));
}

TEST_F(FaultTest, BrokerKilledWhileFrozen)
{
    HWND hDlg = StartProgram();
    ASSERT_NE(hDlg, nullptr);
    ASSERT_TRUE(ShowsNext(hDlg, "before"));
    ASSERT_TRUE(m_broker.Pause());
    std::this_thread::sleep_for(std::chrono::seconds(2));
    EXPECT_FALSE(PaneHas(hDlg, PANE_MQTT, L"  connection lost")) << "a frozen broker looks alive";

    // Killed, its connections close at once and the loss shows without the keep-alive.
    ASSERT_TRUE(m_broker.Kill());
    ASSERT_TRUE(MqttPaneHas(hDlg, L"  connection lost", 10000));
    ASSERT_TRUE(MqttPaneHas(hDlg, L"  reconnect fail", 10000));
    ASSERT_TRUE(m_broker.Start());
    ASSERT_TRUE(MqttPaneHas(hDlg, L"  reconnect success", 10000));
    ExpectRecovered(hDlg, "restarted", StandardIni());
    EXPECT_TRUE(ExitProgram(hDlg));
}

TEST_F(FaultTest, SecondClientUnderTheSameIdentifier)
{
    HWND hDlg = StartProgram();
    ASSERT_NE(hDlg, nullptr);
    ASSERT_TRUE(ShowsNext(hDlg, "before"));

    // Each time the other client connects, the broker closes the program's
    // connection; a second later the program takes the identifier back and
    // the broker closes the other one. Three rounds of that fight.
    {
        CSameIdClient other;
        for (int nRound = 1; nRound <= 3; ++nRound)
        {
            ASSERT_TRUE(other.Connect(m_broker.Port())) << "round " << nRound;
            ASSERT_TRUE(WaitFor([&] { return PaneCount(hDlg, PANE_MQTT, L"  connection lost") >= nRound; }))
                << "round " << nRound;
            ASSERT_TRUE(WaitFor([&] { return PaneCount(hDlg, PANE_MQTT, L"  reconnect success") >= nRound; }))
                << "round " << nRound;
            EXPECT_FALSE(other.StaysConnected(3000)) << "the program took the identifier back, round " << nRound;
        }
    }
    EXPECT_EQ(PaneCount(hDlg, PANE_MQTT, L"  connection lost"), 3);
    ExpectRecovered(hDlg, "alone", StandardIni());
    EXPECT_TRUE(ExitProgram(hDlg));
}

// ---------------------------------------------------------------- payloads

TEST_F(FaultTest, BadPayloadsAreLoggedAndTheNextMessageShows)
{
    enum EOutcome { DROPPED, ACCEPTED, EITHER };
    struct SCase
    {
        std::string name;
        std::string payload;
        // The subscribe line, time part aside.
        std::function<bool(const std::wstring&)> subscribe;
        EOutcome outcome;
        // The general pane's line for an accepted message, time part aside.
        std::wstring general;
        // Patient-call texts after the message; empty: unchanged.
        std::wstring callCount, callDetail;
    };
    auto Is = [](const std::wstring& expected) {
        return [expected](const std::wstring& line) { return line == expected; };
    };
    const std::string envelope = "\"id\":\"1\",\"timestamp\":\"0\",\"correlationId\":\"c\"";

    std::vector<SCase> cases;
    cases.push_back({"invalid UTF-8", RobotMessage("call:1:add:bad\xff\xfe", "x\xc3(y"),
                     Is(Widen(RobotMessage("call:1:add:bad\xef\xbf\xbd\xef\xbf\xbd", "x\xef\xbf\xbd(y"))), ACCEPTED,
                     L"x\uFFFD(y", L"남은 호출 수: 1개", L"[bad\uFFFD\uFFFD] 님 (추가)"});
    cases.push_back({"NUL after the JSON", RobotMessage("call:2:add:nul", "before") + std::string("\0{after", 7),
                     Is(Widen(RobotMessage("call:2:add:nul", "before"))), ACCEPTED, L"before", L"남은 호출 수: 2개",
                     L"[nul] 님 (추가)"});
    cases.push_back({"NUL inside the JSON", std::string("{\"id\":\"1\"\0,\"timestamp\":0}", 25),
                     Is(L"{\"id\":\"1\""), DROPPED, L"", L"", L""});
    cases.push_back({"empty payload", "", Is(L""), DROPPED, L"", L"", L""});
    cases.push_back({"bare number", "42", Is(L"42"), DROPPED, L"", L"", L""});
    cases.push_back({"text root", "\"call:9:add:text\"", Is(L"\"call:9:add:text\""), DROPPED, L"", L"", L""});
    std::string arrayRoot = "[" + RobotMessage("call:9:add:array", "array") + "]";
    cases.push_back({"array root", arrayRoot, Is(Widen(arrayRoot)), DROPPED, L"", L"", L""});
    std::string envelopeObjects = "{\"id\":{\"a\":1},\"version\":[1,2],\"timestamp\":[],\"correlationId\":{},"
                                  "\"request\":{\"title\":\"call:3:remove:env\",\"content\":\"env\"}}";
    cases.push_back({"objects and arrays in the envelope", envelopeObjects, Is(Widen(envelopeObjects)), ACCEPTED,
                     L"env", L"남은 호출 수: 3개", L"[env] 님 (삭제)"});
    std::string requestArray = "{" + envelope + ",\"request\":[\"call:4:add:req\"]}";
    cases.push_back({"request an array", requestArray, Is(Widen(requestArray)), ACCEPTED, L"", L"", L""});
    std::string requestText = "{" + envelope + ",\"request\":\"call:4:add:req\"}";
    cases.push_back({"request a text", requestText, Is(Widen(requestText)), ACCEPTED, L"", L"", L""});
    std::string titleObject = "{" + envelope + ",\"request\":{\"title\":{\"call\":4},\"content\":[1,{}]}}";
    cases.push_back({"title an object, content an array", titleObject, Is(Widen(titleObject)), ACCEPTED, L"", L"",
                     L""});

    // 100,000 characters, 50,000 of them ":": four tokens that count and
    // almost 50,000 that are ignored. Whether a payload that large is parsed
    // at all is the intake's choice; one of 8,000 characters always is.
    std::string longTitle = "call:7:cancel:n" + Repeat(":x", 49988) + std::string(9, ':');
    std::string longTitleMessage = RobotMessage(longTitle, "long title");
    cases.push_back({"100,000-character title", longTitleMessage, Is(CutAscii(longTitleMessage)), EITHER,
                     L"long title", L"남은 호출 수: 7개", L"[n] 님 (취소)"});
    std::string title8k = "call:6:ignore:m" + Repeat(":y", 3991) + std::string(3, ':');
    std::string title8kMessage = RobotMessage(title8k, "8k title");
    cases.push_back({"8,000-character title", title8kMessage, Is(CutAscii(title8kMessage)), ACCEPTED, L"8k title",
                     L"남은 호출 수: 6개", L"[m] 님 (무시)"});

    // 2,000 bytes of content, cut after 1,023 bytes, where a character of
    // three bytes (가) and one of four (an emoji, a surrogate pair) straddle it.
    std::string content3 = std::string(1021, 'a') + Repeat("가", 326) + "b";
    cases.push_back({"2,000-byte content, 가 across the cut", RobotMessage("x", content3),
                     Is(Widen(RobotMessage("x", content3))), ACCEPTED, std::wstring(1021, L'a'), L"", L""});
    std::string content4 = std::string(1020, 'a') + Repeat("\xf0\x9f\x98\x80", 245);
    cases.push_back({"2,000-byte content, an emoji across the cut", RobotMessage("x", content4),
                     Is(Widen(RobotMessage("x", content4))), ACCEPTED, std::wstring(1020, L'a'), L"", L""});
    // The pane's own cut falls between the halves of a surrogate pair.
    std::string pairAtCut = std::string(MAX_TEXT_CHARS - 1, 'x') + Repeat("\xf0\x9f\x98\x80", 10);
    cases.push_back({"surrogate pair across the pane's cut", pairAtCut,
                     Is(std::wstring(MAX_TEXT_CHARS - 1, L'x') + SizeMark(pairAtCut.size())), DROPPED, L"", L"",
                     L""});

    std::string brackets = std::string(100000, '[') + std::string(100000, ']');
    cases.push_back({"100,000 nested brackets", brackets, Is(CutAscii(brackets)), DROPPED, L"", L"", L""});
    std::string deepObject = "{" + envelope + ",\"request\":{\"title\":\"call:8:add:deep\",\"content\":" +
                             Repeat("{\"a\":", 100000) + "1" + std::string(100000, '}') + "}}";
    cases.push_back({"100,000 nested objects in the request", deepObject, Is(CutAscii(deepObject)), DROPPED, L"",
                     L"", L""});

    // 10 MB of small values, the worst for a parser's memory. Whether it is
    // parsed at all is the intake's choice; the pane holds a bounded line.
    const size_t nHuge = 10 * 1024 * 1024;
    std::string huge = "{" + envelope + ",\"request\":{\"title\":\"x\",\"content\":\"huge\"},\"pad\":[0";
    huge.reserve(nHuge);
    while (huge.size() + 4 <= nHuge)
        huge += ",0";
    huge.resize(nHuge - 2, ' ');
    huge += "]}";
    cases.push_back({"10 MB of JSON", huge,
                     [&](const std::wstring& line) {
                         return line.size() <= MAX_TEXT_CHARS + 32 &&
                                line.find(std::to_wstring(nHuge)) != std::wstring::npos;
                     },
                     EITHER, L"huge", L"", L""});

    HWND hDlg = StartProgram();
    ASSERT_NE(hDlg, nullptr);
    ASSERT_TRUE(ShowsNext(hDlg, "n0"));
    CTestPublisher pub(m_broker.Port());
    ASSERT_TRUE(pub.IsConnected());

    std::wstring callCount = ItemText(hDlg, IDC_CALL_COUNT), callDetail = ItemText(hDlg, IDC_CALL_DETAIL);
    for (size_t i = 0; i < cases.size(); ++i)
    {
        const SCase& c = cases[i];
        SCOPED_TRACE(c.name);
        std::string next = "n" + std::to_string(i + 1);
        auto tStart = std::chrono::steady_clock::now();
        ASSERT_TRUE(pub.Publish(TOPIC, c.payload));
        ASSERT_TRUE(pub.Publish(TOPIC, RobotMessage("guide:ok:" + next, "next " + next)));
        ASSERT_TRUE(pub.Sync());
        ASSERT_TRUE(WaitFor([&] { return ItemText(hDlg, IDC_ROBOT_DETAIL) == L"[" + Widen(next) + L"]님"; }, 120000))
            << "the message after it";
        double dSeconds = SecondsSince(tStart);
        EXPECT_TRUE(m_app.IsRunning());

        std::vector<std::wstring> subscribe = PaneLines(hDlg, PANE_SUBSCRIBE);
        ASSERT_GE(subscribe.size(), 2u);
        std::wstring line = TextOf(subscribe[subscribe.size() - 2]);
        EXPECT_TRUE(c.subscribe(line)) << "subscribe pane shows " << line.size() << " characters: "
                                       << testing::PrintToString(line.substr(0, 120));

        std::vector<std::wstring> general = PaneLines(hDlg, PANE_GENERAL);
        ASSERT_GE(general.size(), 2u);
        EXPECT_EQ(TextOf(general.back()), L"next " + Widen(next));
        std::wstring before = TextOf(general[general.size() - 2]);
        std::wstring previous = L"next n" + std::to_wstring(i);
        bool bAccepted = before != previous;
        if (c.outcome == ACCEPTED)
            EXPECT_EQ(before, c.general);
        else if (c.outcome == DROPPED)
            EXPECT_EQ(before, previous) << "dropped without a line";
        else
            EXPECT_TRUE(!bAccepted || before == c.general) << testing::PrintToString(before);

        if (!c.callCount.empty() && bAccepted)
            callCount = c.callCount;
        if (!c.callDetail.empty() && bAccepted)
            callDetail = c.callDetail;
        EXPECT_EQ(ItemText(hDlg, IDC_CALL_COUNT), callCount);
        EXPECT_EQ(ItemText(hDlg, IDC_CALL_DETAIL), callDetail);
        EXPECT_EQ(ItemText(hDlg, IDC_ROBOT_STATUS), L"안내 중(완료)");
        std::printf("[ payload ] %-45s %s, next message after %.2f s\n", c.name.c_str(),
                    bAccepted ? "accepted" : "dropped", dSeconds);
    }
    ExpectRecovered(hDlg, "end", StandardIni());
    EXPECT_TRUE(ExitProgram(hDlg));
}

// ---------------------------------------------------------------- settings

TEST_F(FaultTest, IniDirectoryMissing)
{
    std::wstring missing = m_dir + L"\\missing";
    HWND hDlg = StartProgram(L"\"" + missing + L"\"");
    ASSERT_NE(hDlg, nullptr);
    // Without a file the program has its defaults, the broker of this
    // machine's port 1883, which the tests never run.
    ASSERT_TRUE(MqttPaneHas(hDlg, L"  connect(127.0.0.1:1883)"));
    ASSERT_TRUE(WaitFor([&] {
        return PaneHas(hDlg, PANE_MQTT, L"  connection fail") || PaneHas(hDlg, PANE_MQTT, L"  connection success");
    }));
    // Every poll reads "reconnect-sec" and fails to write it back.
    std::this_thread::sleep_for(std::chrono::seconds(2));
    EXPECT_TRUE(m_app.IsRunning());
    EXPECT_TRUE(Responds(hDlg));
    EXPECT_EQ(GetFileAttributesW(missing.c_str()), INVALID_FILE_ATTRIBUTES) << "no folder is made";
    EXPECT_EQ(ReadIni(), StandardIni()) << "the INI of the folder above is not touched";
    EXPECT_TRUE(ExitProgram(hDlg));
}

TEST_F(FaultTest, IniReadOnly)
{
    // "01" is a value that the program writes back as "1", at every poll
    // while the link is down.
    std::string ini = IniWithPause("01");
    ASSERT_TRUE(WriteIni(ini));
    ASSERT_TRUE(SetFileAttributesW(IniPath().c_str(), FILE_ATTRIBUTE_READONLY));
    // Wine run as root writes into a read-only file all the same; a handle
    // that shares only reading makes every write fail, as Windows does.
    HANDLE hLock = CreateFileW(IniPath().c_str(), GENERIC_READ, FILE_SHARE_READ, nullptr, OPEN_EXISTING, 0, nullptr);
    ASSERT_NE(hLock, INVALID_HANDLE_VALUE);
    std::unique_ptr<void, decltype(&CloseHandle)> lock(hLock, &CloseHandle);
    HWND hDlg = StartProgram();
    ASSERT_NE(hDlg, nullptr);
    ASSERT_TRUE(ShowsNext(hDlg, "read-only"));

    ASSERT_TRUE(m_broker.Stop());
    ASSERT_TRUE(MqttPaneHas(hDlg, L"  connection lost"));
    ASSERT_TRUE(MqttPaneHas(hDlg, L"  reconnect fail", 10000)) << "the pause read from the file";
    ASSERT_TRUE(m_broker.Start());
    ASSERT_TRUE(MqttPaneHas(hDlg, L"  reconnect success", 10000));
    ExpectRecovered(hDlg, "read-only-after", ini);
    EXPECT_NE(GetFileAttributesW(IniPath().c_str()) & FILE_ATTRIBUTE_READONLY, 0u);
    EXPECT_TRUE(ExitProgram(hDlg));
}

TEST_F(FaultTest, PortHoldsText)
{
    ASSERT_TRUE(WriteIni("[RobotMqttService]\r\nip=127.0.0.1\r\nport=abc\r\nreconnect-sec=1\r\n"));
    HWND hDlg = StartProgram();
    ASSERT_NE(hDlg, nullptr);
    ASSERT_TRUE(MqttPaneHas(hDlg, L"  connect(127.0.0.1:0)"));
    ASSERT_TRUE(MqttPaneHas(hDlg, L"  connection fail"));
    ASSERT_TRUE(MqttPaneHas(hDlg, L"  reconnect fail", 10000));
    EXPECT_TRUE(Responds(hDlg));
    // The text reads as 0, and the number read is written in its place.
    EXPECT_EQ(ReadIni(), "[RobotMqttService]\r\nip=127.0.0.1\r\nport=0\r\nreconnect-sec=1\r\nclient-id=\r\n" +
                             SecurityDefaultsIni() + NotificationIni());
    ASSERT_TRUE(ExitProgram(hDlg));

    // The user puts the port right; it counts from the next start.
    ASSERT_TRUE(WriteIni(StandardIni()));
    hDlg = StartProgram();
    ASSERT_NE(hDlg, nullptr);
    ExpectRecovered(hDlg, "port-mended", StandardIni());
    EXPECT_TRUE(ExitProgram(hDlg));
}

TEST_F(FaultTest, IpTwoThousandCharactersLong)
{
    // One label this long can never be put to a name server, so the look-up
    // fails on this machine without any traffic.
    std::string port = std::to_string(m_broker.Port());
    ASSERT_TRUE(WriteIni("[RobotMqttService]\r\nip=" + std::string(2000, 'a') + "\r\nport=" + port +
                         "\r\nreconnect-sec=1\r\n"));
    HWND hDlg = StartProgram();
    ASSERT_NE(hDlg, nullptr);
    // Read cut to 1,023 characters; the log line is cut to 1,023 bytes.
    ASSERT_TRUE(MqttPaneHas(hDlg, L"  connection fail"));
    std::vector<std::wstring> lines = PaneLines(hDlg, PANE_MQTT);
    ASSERT_FALSE(lines.empty());
    EXPECT_EQ(TextOf(lines[0]), L"connect(" + std::wstring(1015, L'a'));
    ASSERT_TRUE(MqttPaneHas(hDlg, L"  reconnect fail", 10000));
    EXPECT_TRUE(Responds(hDlg));
    // The cut value is what the program read, and so what it writes back.
    EXPECT_EQ(ReadIni(), "[RobotMqttService]\r\nip=" + std::string(1023, 'a') + "\r\nport=" + port +
                             "\r\nreconnect-sec=1\r\nclient-id=\r\n" + SecurityDefaultsIni() + NotificationIni());
    EXPECT_TRUE(ExitProgram(hDlg));
}

// "reconnect-sec" is read at every poll while the link is down, so one run
// takes each value in turn.
TEST_F(FaultTest, ReconnectPauseNegativeZeroAndHuge)
{
    ASSERT_TRUE(WriteIni(IniWithPause("-1")));
    HWND hDlg = StartProgram();
    ASSERT_NE(hDlg, nullptr);
    ASSERT_TRUE(ShowsNext(hDlg, "start"));

    // Below 0 and at 0: an attempt at every poll while the broker is away.
    for (const char* pszPause : {"-1", "0"})
    {
        SCOPED_TRACE(pszPause);
        std::string ini = IniWithPause(pszPause);
        ASSERT_TRUE(WriteIni(ini));
        ClearPane(hDlg, PANE_MQTT);
        ASSERT_TRUE(m_broker.Stop());
        ASSERT_TRUE(MqttPaneHas(hDlg, L"  connection lost"));
        auto tLost = std::chrono::steady_clock::now();
        ASSERT_TRUE(WaitFor([&] { return PaneCount(hDlg, PANE_MQTT, L"  reconnect fail") >= 10; }, 5000));
        EXPECT_LT(SecondsSince(tLost), 3.0) << "no pause between the attempts";
        ASSERT_TRUE(m_broker.Start());
        ASSERT_TRUE(WaitFor([&] {
            std::vector<std::wstring> lines = PaneLines(hDlg, PANE_MQTT);
            return !lines.empty() && TextOf(lines.back()) == L"reconnect success";
        }, 10000));
        ExpectRecovered(hDlg, std::string("pause") + pszPause, ini);
    }

    // 2,147,483 s, 24.8 days: the pause in milliseconds still fits, and the
    // program waits it out.
    ASSERT_TRUE(WriteIni(IniWithPause("2147483")));
    ClearPane(hDlg, PANE_MQTT);
    ASSERT_TRUE(m_broker.Stop());
    ASSERT_TRUE(MqttPaneHas(hDlg, L"  connection lost"));
    ASSERT_TRUE(m_broker.Start());
    std::this_thread::sleep_for(std::chrono::seconds(4));
    EXPECT_EQ(PaneCount(hDlg, PANE_MQTT, L"  reconnect"), 0) << "no attempt before the pause is over";
    EXPECT_EQ(ReadIni(), IniWithPause("2147483"));
    // The user shortens it; it counts from the next poll.
    std::string ini = IniWithPause("1");
    ASSERT_TRUE(WriteIni(ini));
    ASSERT_TRUE(MqttPaneHas(hDlg, L"  reconnect success", 10000));
    ExpectRecovered(hDlg, "pause-shortened", ini);
    EXPECT_TRUE(ExitProgram(hDlg));
}

// ---------------------------------------------------------------- the window

TEST_F(FaultTest, MessagesLandWhileHiddenAndWhileTheAboutBoxIsOpen)
{
    HWND hDlg = StartProgram();
    ASSERT_NE(hDlg, nullptr);
    ASSERT_TRUE(ShowsNext(hDlg, "shown"));

    PostMessageW(hDlg, WM_COMMAND, IDCANCEL, 0);
    ASSERT_TRUE(WaitFor([&] { return !IsWindowVisible(hDlg); }));
    ASSERT_TRUE(ShowsNext(hDlg, "hidden"));
    EXPECT_FALSE(IsWindowVisible(hDlg));

    // Shown again from the program menu, then the About box from the system menu.
    PostMessageW(hDlg, WM_COMMAND, ID_SHOW_HIDE, 0);
    ASSERT_TRUE(WaitFor([&] { return IsWindowVisible(hDlg) != FALSE; }));
    PostMessageW(hDlg, WM_SYSCOMMAND, IDM_ABOUTBOX, 0);
    HWND hAbout = nullptr;
    ASSERT_TRUE(WaitFor([&] { return (hAbout = WindowOfCaption(m_app.Pid(), L"Tavrin 정보")) != nullptr; }));
    ASSERT_TRUE(WaitFor([&] { return IsWindowVisible(hAbout) != FALSE; }));
    // Its modal loop goes on dispatching the timers that poll.
    ASSERT_TRUE(ShowsNext(hDlg, "about"));
    EXPECT_EQ(ItemText(hDlg, IDC_RECEIVE_TIME).rfind(L"last receive: ", 0), 0u);
    EXPECT_TRUE(IsWindow(hAbout));

    PostMessageW(hAbout, WM_COMMAND, IDOK, 0);
    ASSERT_TRUE(WaitFor([&] { return !IsWindow(hAbout); }));
    ExpectRecovered(hDlg, "about-closed", StandardIni());
    EXPECT_TRUE(ExitProgram(hDlg));
}
