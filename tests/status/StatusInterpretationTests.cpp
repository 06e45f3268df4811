#include "StatusTestSupport.h"
#include "mqtt/LinkFacts.h"

#include <vector>

namespace
{
using Texts = std::vector<SStatusText>;

Texts Robot(const std::string& status, const std::string& detail)
{
    return {{FIELD_ROBOT_STATUS, status}, {FIELD_ROBOT_DETAIL, detail}};
}

Texts Call(const std::string& count, const std::string& detail)
{
    return {{FIELD_CALL_COUNT, count}, {FIELD_CALL_DETAIL, detail}};
}

Texts ForTitle(const std::string& title)
{
    return Interpret(Request("\"" + title + "\"")).texts;
}
}

TEST(StatusInterpretation, TopicMustMatchExactly)
{
    const Json::Value root = ParseJson(Request(R"("idle")", R"("c")"));
    EXPECT_TRUE(InterpretMessage(Link::TOPIC_MESSAGE, root).bAccepted);
    for (const char* topic : {"server/sendmessage", "server/sendMessage/x", "server/sendMessage ", "x/server/sendMessage", "server/#", ""})
    {
        CStatusUpdate update = InterpretMessage(topic, root);
        EXPECT_FALSE(update.bAccepted) << topic;
        EXPECT_TRUE(update.texts.empty());
        EXPECT_EQ("", update.strContentLine);
    }
}

TEST(StatusInterpretation, RejectedEnvelopeOrNonObjectRootIsNotAccepted)
{
    EXPECT_FALSE(Interpret(R"({"id":1,"timestamp":2,"request":{"title":"idle","content":"c"}})").bAccepted);
    for (const char* json : {"null", "42", R"("idle")", R"([{"id":1,"timestamp":2,"correlationId":3}])"})
        EXPECT_FALSE(Interpret(json).bAccepted) << json;
}

TEST(StatusInterpretation, MissingOrMalformedRequestIsAcceptedWithNothingToShow)
{
    for (const char* json : {
             R"({"id":1,"timestamp":2,"correlationId":3})",
             R"({"id":1,"timestamp":2,"correlationId":3,"request":null})",
             R"({"id":1,"timestamp":2,"correlationId":3,"request":"idle"})",
             R"({"id":1,"timestamp":2,"correlationId":3,"request":7})",
             R"({"id":1,"timestamp":2,"correlationId":3,"request":["idle","c"]})",
             R"({"id":1,"timestamp":2,"correlationId":3,"request":{"Title":"idle","CONTENT":"c"}})",
         })
    {
        CStatusUpdate update = Interpret(json);
        EXPECT_TRUE(update.bAccepted) << json;
        EXPECT_TRUE(update.texts.empty()) << json;
        EXPECT_EQ("", update.strContentLine) << json;
    }
}

TEST(StatusInterpretation, ArraysAndObjectsInTitleOrContentReadAsEmptyText)
{
    CStatusUpdate update = Interpret(Request(R"(["idle"])", R"({"a":"b"})"));
    EXPECT_TRUE(update.bAccepted);
    EXPECT_TRUE(update.texts.empty());
    EXPECT_EQ("", update.strContentLine);

    update = Interpret(Request(R"({"t":"idle"})", R"(["c"])"));
    EXPECT_TRUE(update.bAccepted);
    EXPECT_TRUE(update.texts.empty());

    // Scalars of other types are spelt out.
    update = Interpret(Request("true", "-5"));
    EXPECT_EQ("-5", update.strContentLine);
}

TEST(StatusInterpretation, RobotRows)
{
    EXPECT_EQ(Robot("대기 중", ""), ForTitle("idle"));
    EXPECT_EQ(Robot("복귀 중", ""), ForTitle("return"));
    EXPECT_EQ(Robot("접수 중", ""), ForTitle("accept"));
    EXPECT_EQ(Robot("대기 중", ""), ForTitle("idle:extra:tokens"));
    EXPECT_EQ(Robot("안내 중(시작)", "[A]님"), ForTitle("guide:start:A"));
    EXPECT_EQ(Robot("안내 중(호출)", "[A]님"), ForTitle("guide:call:A:ignored"));
    EXPECT_EQ(Robot("안내 중(안내)", "[A]님"), ForTitle("guide:guide:A"));
    EXPECT_EQ(Robot("안내 중(중지)", "[A]님"), ForTitle("guide:abort:A"));
    EXPECT_EQ(Robot("안내 중(완료)", "[ A ]님"), ForTitle("guide:ok: A "));
    EXPECT_EQ(Robot("안내 중()", "[A]님"), ForTitle("guide:pause:A"));
    EXPECT_EQ(Robot("안내 중()", "[A]님"), ForTitle("guide:Start:A"));
}

TEST(StatusInterpretation, CallRows)
{
    EXPECT_EQ(Call("남은 호출 수: 2개", "[B] 님 (추가)"), ForTitle("call:2:add:B"));
    EXPECT_EQ(Call("남은 호출 수: 0개", "[B] 님 (삭제)"), ForTitle("call:0:remove:B"));
    EXPECT_EQ(Call("남은 호출 수: 1개", "[B] 님 (취소)"), ForTitle("call:1:cancel:B"));
    EXPECT_EQ(Call("남은 호출 수: 9개", "[B] 님 (무시)"), ForTitle("call:9:ignore:B:more"));
    EXPECT_EQ(Call("남은 호출 수: 3개", "[B] 님 ()"), ForTitle("call:3:update:B"));
    // The count is shown as spelt, and format markers inside tokens stay text.
    EXPECT_EQ(Call("남은 호출 수: 007 x개", "[%s%d] 님 (추가)"), ForTitle("call:007 x:add:%s%d"));
}

TEST(StatusInterpretation, TitlesThatChangeNoField)
{
    for (const char* title : {"", ":::", "IDLE", " idle", "idle ", "Guide:start:A", "guide", "guide:start",
                              "call:3:add", "call::3::add:", "sleep:1:2:3:4"})
    {
        CStatusUpdate update = Interpret(Request("\"" + std::string(title) + "\"", R"("logged")"));
        EXPECT_TRUE(update.bAccepted) << title;
        EXPECT_TRUE(update.texts.empty()) << title;
        EXPECT_EQ("logged", update.strContentLine) << title;
    }
}

TEST(StatusInterpretation, EmptyFieldsNeverBecomeTokens)
{
    EXPECT_EQ((std::vector<std::string>{"call", "3", "add"}), SplitTitle(":call::3:add:"));
    EXPECT_EQ((std::vector<std::string>{" a ", "b c"}), SplitTitle(" a :b c"));
    EXPECT_TRUE(SplitTitle("::").empty());
    EXPECT_EQ(ForTitle("call:2:add:B"), ForTitle("call::2::add::B"));
    EXPECT_EQ(ForTitle("guide:start:A"), ForTitle("::guide:::start:A:"));
}

TEST(StatusInterpretation, LongTitlesAreReadOnlyAsFarAsTheTableLooks)
{
    std::string tail;
    while (tail.size() < 100000)
        tail += ":x";
    EXPECT_EQ(ForTitle("call:2:add:B"), ForTitle("call:2:add:B" + tail));
    EXPECT_EQ(ForTitle("idle"), ForTitle("idle" + tail));
    EXPECT_EQ(50000u, SplitTitle("a" + tail).size() - 1);
    EXPECT_EQ((std::vector<std::string>{"a", "x"}), SplitTitle("::a" + tail, 2));
    EXPECT_TRUE(SplitTitle("a:b", 0).empty());
}

TEST(StatusInterpretation, KoreanAsUtf8AndAsEscapesComeOutIdentical)
{
    // 홍길동, and a character outside the BMP spelt as a surrogate pair.
    CStatusUpdate raw = Interpret(Request(R"("call:1:add:홍길동😀")", R"("홍길동 호출")"));
    CStatusUpdate escaped = Interpret(Request(R"("call:1:add:\ud64d\uae38\ub3d9\ud83d\ude00")",
                                              R"("\ud64d\uae38\ub3d9 \ud638\ucd9c")"));
    EXPECT_EQ(Call("남은 호출 수: 1개", "[홍길동😀] 님 (추가)"), raw.texts);
    EXPECT_EQ(raw.texts, escaped.texts);
    EXPECT_EQ("홍길동 호출", raw.strContentLine);
    EXPECT_EQ(raw.strContentLine, escaped.strContentLine);
}

TEST(StatusInterpretation, TitleAndContentEndAtFirstNulAndAreValidUtf8)
{
    CStatusUpdate update = Interpret(Request(R"("idle\u0000:guide:start:A")", R"("before\u0000after")"));
    EXPECT_EQ(Robot("대기 중", ""), update.texts);
    EXPECT_EQ("before", update.strContentLine);

    // A lone surrogate escape decodes to bytes that are no UTF-8.
    update = Interpret(Request(R"("guide:start:\udc00")", R"("a\udc00b")"));
    EXPECT_EQ(Robot("안내 중(시작)", "[\xEF\xBF\xBD]님"), update.texts);
    EXPECT_EQ("a\xEF\xBF\xBD" "b", update.strContentLine);
}

TEST(StatusInterpretation, ContentIsCutToAtMost1023BytesOnACharacterBoundary)
{
    const std::string a1023(1023, 'a');
    EXPECT_EQ(a1023, Interpret(Request(R"("idle")", "\"" + std::string(2000, 'a') + "\"")).strContentLine);
    EXPECT_EQ(a1023, Interpret(Request(R"("idle")", "\"" + a1023 + "\"")).strContentLine);

    // "한" is three bytes: ending at byte 1023 it stays, straddling it it goes.
    const std::string fits = std::string(1020, 'a') + "한";
    EXPECT_EQ(fits, Interpret(Request(R"("idle")", "\"" + fits + "b\"")).strContentLine);
    for (size_t nBefore : {1021, 1022})
    {
        const std::string before(nBefore, 'a');
        EXPECT_EQ(before, Interpret(Request(R"("idle")", "\"" + before + "한\"")).strContentLine);
        EXPECT_EQ(before, Interpret(Request(R"("idle")", "\"" + before + R"(\ud55c")")).strContentLine);
    }
}
