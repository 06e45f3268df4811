#include "status/StatusInterpretation.h"

#include "status/MessageEnvelope.h"
#include "status/StatusTexts.h"
#include "text/Utf8.h"

#include <initializer_list>
#include <string_view>

#include <json/value.h>

namespace
{
const char MESSAGE_TOPIC[] = "server/sendMessage";
const size_t MAX_CONTENT_BYTES = 1023;

// The most tokens that any row of the decision table reads; a title's later
// tokens are ignored, so a long title costs no more than its first few.
constexpr size_t MostTokensUsed()
{
    size_t n = 0;
    for (const auto& row : StatusTexts::TITLE_ROWS)
        if (row.nFewestTokens > n)
            n = row.nFewestTokens;
    return n;
}
const size_t MAX_TITLE_TOKENS = MostTokensUsed();

// Each "%s" of the format takes the next argument unchanged; arguments are not
// scanned, so a "%s" inside a token stays as it is.
std::string Format(const char* pszFormat, std::initializer_list<std::string_view> args)
{
    std::string out;
    auto itArg = args.begin();
    for (const char* p = pszFormat; *p; ++p)
    {
        if (p[0] == '%' && p[1] == 's' && itArg != args.end())
        {
            out += *itArg++;
            ++p;
        }
        else
            out += *p;
    }
    return out;
}

template <size_t N>
const char* LookUp(const StatusTexts::SWordText (&table)[N], const std::string& word)
{
    for (const auto& entry : table)
        if (word == entry.word)
            return entry.text;
    return "";
}

const StatusTexts::STitleRow* FindRow(const std::string& keyword)
{
    for (const auto& row : StatusTexts::TITLE_ROWS)
        if (keyword == row.keyword)
            return &row;
    return nullptr;
}

std::string UpToNul(const std::string& s)
{
    return Utf8::Sanitize(s.data(), s.size());
}
}

CStatusUpdate InterpretMessage(const std::string& topic, const Json::Value& root)
{
    CStatusUpdate update;
    if (topic != MESSAGE_TOPIC)
        return update;
    CRequestMessage message;
    if (!message.Parse(root))
        return update;

    // Parse accepted the root, so it is an object; a "request" of any other
    // type than an object is read as no request at all.
    const Json::Value& request = root["request"];
    if (request.isObject())
    {
        message.title = ReadText(request["title"]);
        message.content = ReadText(request["content"]);
    }

    update.bAccepted = true;
    update.strContentLine = Utf8::Cut(UpToNul(message.content), MAX_CONTENT_BYTES);
    update.texts = InterpretTitle(SplitTitle(UpToNul(message.title), MAX_TITLE_TOKENS));
    return update;
}

std::vector<std::string> SplitTitle(const std::string& title, size_t nMaxTokens)
{
    std::vector<std::string> tokens;
    size_t pos = 0;
    while (tokens.size() < nMaxTokens)
    {
        pos = title.find_first_not_of(':', pos);
        if (pos == std::string::npos)
            break;
        size_t end = title.find(':', pos);
        if (end == std::string::npos)
            end = title.size();
        tokens.push_back(title.substr(pos, end - pos));
        pos = end;
    }
    return tokens;
}

std::vector<SStatusText> InterpretTitle(const std::vector<std::string>& tokens)
{
    using namespace StatusTexts;
    if (tokens.empty())
        return {};
    const STitleRow* pRow = FindRow(tokens[0]);
    if (!pRow || tokens.size() < pRow->nFewestTokens)
        return {};

    switch (pRow->kind)
    {
    case TITLE_ROBOT:
        return {{FIELD_ROBOT_STATUS, pRow->text}, {FIELD_ROBOT_DETAIL, ""}};
    case TITLE_GUIDE:
        return {{FIELD_ROBOT_STATUS, Format(GUIDE_STATUS_FORMAT, {pRow->text, LookUp(GUIDE_PHASES, tokens[1])})},
                {FIELD_ROBOT_DETAIL, Format(GUIDE_DETAIL_FORMAT, {tokens[2]})}};
    case TITLE_CALL:
        return {{FIELD_CALL_COUNT, Format(CALL_COUNT_FORMAT, {tokens[1]})},
                {FIELD_CALL_DETAIL, Format(CALL_DETAIL_FORMAT, {tokens[3], LookUp(CALL_ACTIONS, tokens[2])})}};
    }
    return {};
}
