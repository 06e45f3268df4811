// The real Tavrin.exe against a broker with a TLS listener, a password file
// and an ACL, its CA and certificates made by the test (pki.sh).
#include "ProgramProbe.h"
#include "TestPublisher.h"
#include "mqtt/LinkFacts.h"

#include <gtest/gtest.h>
#include <windows.h>

#include <map>

using namespace Probe;

namespace
{
const char PASSWORD[] = "s3cret pass";

class SecureEndToEnd : public CProgramTest
{
protected:
    void SetUp() override
    {
        CProgramTest::SetUp();
        ASSERT_TRUE(m_broker.Stop() && m_broker.MakeSecure() && m_broker.Start()) << m_broker.LogText();
    }

    // The INI a site's IT hands out, the password in plain text, with the
    // keys that a case changes.
    std::string SecureIni(const std::map<std::string, std::string>& changes = {}) const
    {
        std::vector<std::pair<std::string, std::string>> keys = {
            {"ip", "localhost"}, {"port", std::to_string(m_broker.Port())}, {"reconnect-sec", "60"},
            {"client-id", ""}, {"username", "tavrin"}, {"password", PASSWORD}, {"tls", "1"},
            {"tls-cafile", m_broker.HostFile("ca.crt")}};
        std::string ini = "[RobotMqttService]\r\n";
        for (auto& [key, value] : keys)
        {
            auto it = changes.find(key);
            ini += key + "=" + (it == changes.end() ? value : it->second) + "\r\n";
        }
        return ini;
    }

    // Starts the program and waits for the end of its first attempt.
    HWND StartAndWait()
    {
        HWND hDlg = StartProgram();
        if (hDlg)
            WaitFor([&] { return PaneHas(hDlg, PANE_MQTT, L"connection success") || PaneHas(hDlg, PANE_MQTT, L"connection fail"); },
                    30000);
        return hDlg;
    }

    std::wstring MqttText(HWND hDlg)
    {
        std::wstring text;
        for (const std::wstring& line : PaneLines(hDlg, PANE_MQTT))
            text += line + L"\n";
        return text;
    }

    // The plain password nowhere: not in the file, not in a pane.
    void ExpectNoPlainPassword(HWND hDlg)
    {
        EXPECT_EQ(std::string::npos, ReadIni().find(PASSWORD)) << ReadIni();
        for (int nPane = 0; nPane < PANE_COUNT; ++nPane)
            EXPECT_EQ(0, PaneCount(hDlg, nPane, Widen(PASSWORD))) << nPane;
    }
};

TEST_F(SecureEndToEnd, ConnectsWithTheCaFileProtectsThePasswordAndUsesItNextTime)
{
    ASSERT_TRUE(WriteIni(SecureIni()));
    HWND hDlg = StartAndWait();
    ASSERT_NE(hDlg, nullptr);
    ASSERT_TRUE(PaneHas(hDlg, PANE_MQTT, L"connection success")) << MqttText(hDlg) << m_broker.LogText();
    EXPECT_TRUE(PaneHas(hDlg, PANE_MQTT, L"connect(localhost:" + std::to_wstring(m_broker.Port()) + L") tls"));
    EXPECT_NE(std::string::npos, ReadIni().find("password=protected:")) << ReadIni();
    ExpectNoPlainPassword(hDlg);

    CTestPublisher robot(m_broker.Port(), m_broker.HostFile("ca.crt"));
    ASSERT_TRUE(WaitFor([&] {
        robot.Publish(Link::TOPIC_MESSAGE, RobotMessage("return", ""));
        robot.Sync();
        return Text(GetDlgItem(hDlg, IDC_ROBOT_STATUS)) == L"복귀 중";
    }));
    ASSERT_TRUE(ExitProgram(hDlg));

    // The next start signs in with the protected form alone.
    const std::string ini = ReadIni();
    hDlg = StartAndWait();
    ASSERT_NE(hDlg, nullptr);
    EXPECT_TRUE(PaneHas(hDlg, PANE_MQTT, L"connection success")) << MqttText(hDlg);
    EXPECT_EQ(ini, ReadIni());
    ExpectNoPlainPassword(hDlg);
    EXPECT_TRUE(ExitProgram(hDlg));
}

// Without a CA file the roots that Windows trusts decide. Wine's ROOT store
// holds the Linux host's roots and takes no other (it opens every store
// named "Root" as its own, read-only): the test's CA is not among them.
TEST_F(SecureEndToEnd, WithoutACaFileTheWindowsStoreDecides)
{
    ASSERT_TRUE(WriteIni(SecureIni({{"tls-cafile", ""}})));
    HWND hDlg = StartAndWait();
    ASSERT_NE(hDlg, nullptr);
    EXPECT_TRUE(PaneHas(hDlg, PANE_MQTT, L"certificate not trusted (issued by CN=Tavrin Test CA)")) << MqttText(hDlg);
    EXPECT_TRUE(ExitProgram(hDlg));
}

// Each refusal, with its words on the line after "connection fail".
TEST_F(SecureEndToEnd, EachRefusalInWords)
{
    CTestBroker expired;
    ASSERT_TRUE(expired.MakeSecure("expired") && expired.Start()) << expired.LogText();
    const struct
    {
        std::map<std::string, std::string> changes;
        const wchar_t* pszWords;
    } CASES[] = {
        {{{"tls-cafile", m_broker.HostFile("other-ca.crt")}}, L"certificate not trusted (issued by CN=Tavrin Test CA)"},
        {{{"ip", "127.0.0.1"}}, L"host name does not match the certificate"},
        {{{"port", std::to_string(expired.Port())}, {"tls-cafile", expired.HostFile("ca.crt")}}, L"certificate expired"},
        {{{"password", "wrong"}}, L"connection refused: not authorised"},
        {{{"password", "protected:AAAA!"}}, L"the protected password in the settings is damaged"},
    };
    for (const auto& c : CASES)
    {
        SCOPED_TRACE(c.changes.begin()->first);
        ASSERT_TRUE(WriteIni(SecureIni(c.changes)));
        HWND hDlg = StartAndWait();
        ASSERT_NE(hDlg, nullptr);
        EXPECT_TRUE(PaneHas(hDlg, PANE_MQTT, L"connection fail")) << MqttText(hDlg);
        EXPECT_TRUE(PaneHas(hDlg, PANE_MQTT, c.pszWords)) << MqttText(hDlg);
        ExpectNoPlainPassword(hDlg);
        EXPECT_TRUE(ExitProgram(hDlg));
    }
}
}
