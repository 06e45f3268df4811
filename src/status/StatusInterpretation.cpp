#include "status/StatusInterpretation.h"

#include "mqtt/LinkFacts.h"
#include "status/MessageEnvelope.h"
#include "status/StatusTexts.h"
#include "text/Utf8.h"

#include <initializer_list>
#include <string_view>
#include <utility>

#include <json/value.h>

namespace
{
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

// The word's text in the table; empty text for a word that it lacks.
template <size_t N>
const char* LookUp(const StatusTexts::SWordText (&table)[N], const std::string& word, STitleReasons* pReasons)
{
    for (const auto& entry : table)
        if (word == entry.word)
        {
            if (pReasons)
                pReasons->bWordKnown = true;
            return entry.text;
        }
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

const char* JsonTypeName(const Json::Value& value)
{
    switch (value.type())
    {
    case Json::nullValue:
        return "null";
    case Json::intValue:
    case Json::uintValue:
    case Json::realValue:
        return "number";
    case Json::stringValue:
        return "string";
    case Json::booleanValue:
        return "boolean";
    case Json::arrayValue:
        return "array";
    case Json::objectValue:
        return "object";
    }
    return "value";
}

const char* MemberTypeName(const Json::Value& object, const char* pszName)
{
    return object.isMember(pszName) ? JsonTypeName(object[pszName]) : nullptr;
}

// The facts that the window has no use for, read from the same record.
void ExplainRequest(const Json::Value& root, const CRequestMessage& message, CStatusReasons& reasons)
{
    reasons.pszRequestType = MemberTypeName(root, Link::MEMBER_REQUEST);
    const Json::Value& request = root[Link::MEMBER_REQUEST];
    if (request.isObject())
    {
        reasons.pszTitleType = MemberTypeName(request, Link::MEMBER_TITLE);
        reasons.pszContentType = MemberTypeName(request, Link::MEMBER_CONTENT);
    }
    reasons.bTitleCutAtNul = message.title.find('\0') != std::string::npos;
    reasons.bContentCutAtNul = message.content.find('\0') != std::string::npos;
}
}

CStatusUpdate InterpretMessage(const std::string& topic, const Json::Value& root, CStatusReasons* pReasons)
{
    CStatusUpdate update;
    if (pReasons)
    {
        *pReasons = CStatusReasons();
        pReasons->pszRootType = JsonTypeName(root);
    }
    if (topic != Link::TOPIC_MESSAGE)
    {
        if (pReasons)
            pReasons->drop = DROP_TOPIC;
        return update;
    }
    CRequestMessage message;
    if (!message.Parse(root))
    {
        if (pReasons)
        {
            pReasons->drop = root.isObject() ? DROP_MISSING_MEMBER : DROP_NOT_OBJECT;
            if (root.isObject())
                pReasons->pszMissingMember = CMessageEnvelope::FirstMissingMember(root);
        }
        return update;
    }

    // Parse accepted the root, so it is an object; a "request" of any other
    // type than an object is read as no request at all.
    const Json::Value& request = root[Link::MEMBER_REQUEST];
    if (request.isObject())
    {
        message.title = ReadText(request[Link::MEMBER_TITLE]);
        message.content = ReadText(request[Link::MEMBER_CONTENT]);
    }

    update.bAccepted = true;
    const std::string content = UpToNul(message.content);
    update.strContentLine = Utf8::Cut(content, MAX_CONTENT_BYTES);
    // The table reads only the first few tokens; the reasons show them all.
    std::vector<std::string> tokens = SplitTitle(UpToNul(message.title), pReasons ? SIZE_MAX : MAX_TITLE_TOKENS);
    update.texts = InterpretTitle(tokens, pReasons ? &pReasons->title : nullptr);
    if (pReasons)
    {
        ExplainRequest(root, message, *pReasons);
        pReasons->nContentBytes = content.size();
        pReasons->tokens = std::move(tokens);
    }
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

std::vector<SStatusText> InterpretTitle(const std::vector<std::string>& tokens, STitleReasons* pReasons)
{
    using namespace StatusTexts;
    if (tokens.empty())
        return {};
    const STitleRow* pRow = FindRow(tokens[0]);
    if (pReasons)
        *pReasons = STitleReasons{pRow, std::string(), false};
    if (!pRow || tokens.size() < pRow->nFewestTokens)
        return {};

    switch (pRow->kind)
    {
    case TITLE_ROBOT:
        return {{FIELD_ROBOT_STATUS, pRow->text}, {FIELD_ROBOT_DETAIL, ""}};
    case TITLE_GUIDE:
        if (pReasons)
            pReasons->strWord = tokens[1];
        return {{FIELD_ROBOT_STATUS, Format(GUIDE_STATUS_FORMAT, {pRow->text, LookUp(GUIDE_PHASES, tokens[1], pReasons)})},
                {FIELD_ROBOT_DETAIL, Format(GUIDE_DETAIL_FORMAT, {tokens[2]})}};
    case TITLE_CALL:
        if (pReasons)
            pReasons->strWord = tokens[2];
        return {{FIELD_CALL_COUNT, Format(CALL_COUNT_FORMAT, {tokens[1]})},
                {FIELD_CALL_DETAIL, Format(CALL_DETAIL_FORMAT, {tokens[3], LookUp(CALL_ACTIONS, tokens[2], pReasons)})}};
    }
    return {};
}
