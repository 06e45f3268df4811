#include "../status/StatusTestSupport.h"

#include "FakeCallback.h"
#include "check/PayloadCheck.h"
#include "mqtt/MessageIntake.h"
#include "mqtt/RobotMqttService.h"

#include <mosquitto.h>

namespace
{
const char TOPIC[] = "server/sendMessage";

std::string WithRequest(const std::string& requestJson)
{
    return R"({"id":1,"timestamp":2,"correlationId":3,"request":)" + requestJson + "}";
}

std::string Padded(size_t nBytes)
{
    const std::string body = Request(R"("idle")");
    return body + std::string(nBytes - body.size(), ' ');
}

// The verdict in one line: the reason of a drop, or what the board shows
// (fields, then the general pane's line) or why it shows nothing.
std::string Verdict(const CPayloadCheck& check)
{
    if (!check.IsShown())
        return "dropped: " + check.DropText();
    std::string out = "shown: " + check.NoRowText();
    for (size_t i = 0; i < check.update.texts.size(); ++i)
        out += (i ? " | " : "") + check.update.texts[i].text;
    if (!check.update.strContentLine.empty())
        out += " / " + check.update.strContentLine;
    return out;
}

std::string WarningCodes(const CPayloadCheck& check)
{
    std::string codes;
    for (const SCheckWarning& w : check.warnings)
        codes += (codes.empty() ? "" : ",") + std::string(w.code);
    return codes;
}

// The board update as the program makes it: intake, then OnMessage's interpretation.
CStatusUpdate AsTavrinDoes(const std::string& payload, const std::string& topic)
{
    CFakeCallback callback;
    CRobotMqttService service(&callback, FakeTick::Now);
    std::string bytes = payload;
    mosquitto_message message{};
    message.topic = const_cast<char*>(topic.c_str());
    message.payload = bytes.empty() ? nullptr : &bytes[0];
    message.payloadlen = static_cast<int>(bytes.size());
    service.OnReceive(&message);
    return callback.m_messages.empty() ? CStatusUpdate() : InterpretMessage(topic, callback.m_messages[0].root);
}

struct SCase
{
    std::string payload;
    std::string verdict;
    std::string warnings;
    std::string topic = TOPIC;
};

const std::string NO_VALUE = "dropped: no JSON: Line 1, Column 1: Syntax error: value, object or array expected.";

const SCase CASES[] = {
    // Each reason for a drop.
    {"robot is waiting", NO_VALUE, ""},
    {"", NO_VALUE, ""},
    {"{\n  \"id\": 1,\n  oops\n}", "dropped: no JSON: Line 3, Column 3: Missing '}' or object member name", ""},
    {std::string("{\"id\":1\0,\"timestamp\":2}", 24), "dropped: no JSON: Line 1, Column 8: Missing ',' or '}' in object declaration", "payload-nul"},
    {"words", NO_VALUE, "", "server/other"}, // the intake comes before the topic
    {Padded(MAX_PARSED_PAYLOAD_BYTES), "shown: 대기 중 | ", ""},
    {Padded(MAX_PARSED_PAYLOAD_BYTES + 1), "dropped: too large to parse: 16385 bytes, more than 16384", ""},
    {std::string(65, '[') + std::string(65, ']'), "dropped: nested too deeply: more than 64 levels of arrays and objects", ""},
    {"42", "dropped: the root is not an object but a number", ""},
    {R"(["idle"])", "dropped: the root is not an object but an array", ""},
    {R"("idle")", "dropped: the root is not an object but a string", ""},
    {"null", "dropped: the root is not an object but null", ""},
    {R"({"request":{"title":"idle"}})", "dropped: no \"id\"", ""},
    {R"({"ID":1,"timestamp":2,"correlationId":3})", "dropped: no \"id\"", ""},
    {R"({"id":1,"correlationId":3,"request":{"title":"idle"}})", "dropped: no \"timestamp\"", ""},
    {R"({"id":1,"timestamp":2,"request":{"title":"idle","content":"c"}})", "dropped: no \"correlationId\"", ""},
    {Request(R"("idle")"), "dropped: topic \"server/sendmessage\" is not \"server/sendMessage\"", "", "server/sendmessage"},
    {Request(R"("idle")"), "dropped: topic \"server/sendMessage/x\" is not \"server/sendMessage\"", "", "server/sendMessage/x"},

    // Shown; Korean as it stands and as \u escapes come out the same.
    {Request(R"("idle")"), "shown: 대기 중 | ", ""},
    {Request(R"("return")", R"("복귀")"), "shown: 복귀 중 |  / 복귀", ""},
    {Request(R"("accept")"), "shown: 접수 중 | ", ""},
    {Request(R"("guide:start:김민수")", R"("안내 시작")"), "shown: 안내 중(시작) | [김민수]님 / 안내 시작", ""},
    {Request(R"("guide:start:\uae40\ubbfc\uc218")", R"("\uc548\ub0b4 \uc2dc\uc791")"), "shown: 안내 중(시작) | [김민수]님 / 안내 시작", ""},
    {Request(R"("call:2:add:홍길동")"), "shown: 남은 호출 수: 2개 | [홍길동] 님 (추가)", ""},
    {Request(R"("call::2::add::\ud64d\uae38\ub3d9")"), "shown: 남은 호출 수: 2개 | [홍길동] 님 (추가)", ""},
    {R"({"id":null,"timestamp":null,"correlationId":null})", "shown: no title", ""},
    {Request(R"(":::")", R"("c")"), "shown: the title has no token / c", ""},

    // Each warning.
    {Request(R"("IDLE")"), "shown: no row for 'IDLE'", "keyword-case"},
    {Request(R"(" idle")"), "shown: no row for ' idle'", "keyword-blanks"},
    {Request(R"("Guide :start:A")"), "shown: no row for 'Guide '", "keyword-case"},
    {Request(R"("sleep")"), "shown: no row for 'sleep'", "no-row"},
    {Request(R"("guide:start")"), "shown: guide needs 3 tokens, has 2", "too-few-tokens"},
    {Request(R"("call::3::add:")"), "shown: call needs 4 tokens, has 3", "too-few-tokens"},
    {Request(R"("guide:pause:A")"), "shown: 안내 중() | [A]님", "guide-phase"},
    {Request(R"("guide:Start:A")"), "shown: 안내 중() | [A]님", "guide-phase"},
    {Request(R"("call:3:update:B")"), "shown: 남은 호출 수: 3개 | [B] 님 ()", "call-action"},
    {Request(R"("idle:extra")"), "shown: 대기 중 | ", "extra-tokens"},
    {Request(R"("call:1:add:Kim:Lee")"), "shown: 남은 호출 수: 1개 | [Kim] 님 (추가)", "extra-tokens"},
    {Request("7"), "shown: no row for '7'", "title-type,no-row"},
    {Request(R"(["idle"])"), "shown: the title has no token", "title-type"},
    {Request(R"("idle")", "true"), "shown: 대기 중 |  / true", "content-type"},
    {Request(R"("idle")", R"({"a":"b"})"), "shown: 대기 중 | ", "content-type"},
    {Request(R"("idle")", "\"" + std::string(1020, 'a') + "한글\""), "shown: 대기 중 |  / " + std::string(1020, 'a') + "한", "content-cut"},
    {WithRequest(R"("idle")"), "shown: no title", "request-type"},
    {WithRequest("null"), "shown: no title", "request-type"},
    {Request(R"("idle\u0000:guide:start:A")"), "shown: 대기 중 | ", "title-nul"},
    {Request(R"("idle")", R"("a\u0000b")"), "shown: 대기 중 |  / a", "content-nul"},
    {Request(R"("idle")") + std::string("\0tail", 5), "shown: 대기 중 | ", "payload-nul"},
    {Request(R"("idle")") + " // done\n /* and */ \r\n", "shown: 대기 중 | ", ""},
    {Request(R"("idle")") + " x", "shown: 대기 중 | ", "trailing-text"},
    {"42 /* */ 7", "dropped: the root is not an object but a number", "trailing-text"},
    {Request(R"("idle")", "\"a\xFF" "b\""), "shown: 대기 중 |  / a\xEF\xBF\xBD" "b", "payload-utf8"},
};

TEST(PayloadCheck, VerdictsReasonsAndWarnings)
{
    for (const SCase& c : CASES)
    {
        const CPayloadCheck check = CheckPayload(c.payload, c.topic);
        const std::string what = c.payload.substr(0, 80) + " on " + c.topic;
        EXPECT_EQ(c.verdict, Verdict(check)) << what;
        EXPECT_EQ(c.warnings, WarningCodes(check)) << what;
        // What the program itself does with it, to the byte.
        const CStatusUpdate tavrin = AsTavrinDoes(c.payload, c.topic);
        EXPECT_EQ(tavrin.bAccepted, check.update.bAccepted) << what;
        EXPECT_EQ(tavrin.texts, check.update.texts) << what;
        EXPECT_EQ(tavrin.strContentLine, check.update.strContentLine) << what;
    }
}

TEST(PayloadCheck, WarningsNameWhatTheSenderProbablyMeant)
{
    EXPECT_EQ("'IDLE' is no keyword, but 'idle' is: keywords are case-sensitive",
              CheckPayload(Request(R"("IDLE")"), TOPIC).warnings.at(0).text);
    EXPECT_EQ("' Idle' is no keyword, but 'idle' is: keywords are case-sensitive and blanks around a token are part of it",
              CheckPayload(Request(R"(" Idle")"), TOPIC).warnings.at(0).text);
    EXPECT_EQ("'Start' is not a guide phase, but 'start' is: phases are case-sensitive; the board shows 안내 중()",
              CheckPayload(Request(R"("guide:Start:A")"), TOPIC).warnings.at(0).text);
    EXPECT_EQ("'update' is not a call action (add, remove, cancel, ignore); the board shows [B] 님 ()",
              CheckPayload(Request(R"("call:3:update:B")"), TOPIC).warnings.at(0).text);
}
}
