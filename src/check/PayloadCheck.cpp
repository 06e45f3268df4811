#include "check/PayloadCheck.h"

#include "status/StatusTexts.h"

#include <algorithm>
#include <cstring>
#include <json/value.h>

namespace
{
using namespace StatusTexts;

std::string Quoted(const std::string& s)
{
    return "'" + s + "'";
}

// "an array", "a number", "null": a JSON type as a sentence names it.
std::string WithArticle(const char* pszType)
{
    if (std::strcmp(pszType, "null") == 0)
        return pszType;
    return (std::strchr("aeiou", pszType[0]) ? "an " : "a ") + std::string(pszType);
}

std::string Trim(const std::string& s)
{
    const char* const BLANKS = " \t\r\n";
    size_t begin = s.find_first_not_of(BLANKS);
    if (begin == std::string::npos)
        return std::string();
    return s.substr(begin, s.find_last_not_of(BLANKS) + 1 - begin);
}

bool EqualsIgnoringCase(const std::string& a, const char* b)
{
    if (a.size() != std::strlen(b))
        return false;
    for (size_t i = 0; i < a.size(); ++i)
    {
        char x = a[i], y = b[i];
        if (x >= 'A' && x <= 'Z')
            x = static_cast<char>(x - 'A' + 'a');
        if (y >= 'A' && y <= 'Z')
            y = static_cast<char>(y - 'A' + 'a');
        if (x != y)
            return false;
    }
    return true;
}

template <class T, size_t N>
std::vector<const char*> Words(const T (&table)[N], const char* T::*pWord)
{
    std::vector<const char*> words;
    for (const T& entry : table)
        words.push_back(entry.*pWord);
    return words;
}

std::string List(const std::vector<const char*>& words)
{
    std::string list;
    for (const char* word : words)
        list += (list.empty() ? "" : ", ") + std::string(word);
    return list;
}

// The table's word that this one becomes once letter case and surrounding
// blanks are ignored, with what was ignored; nullptr when there is none.
const char* NearMatch(const std::string& word, const std::vector<const char*>& words, const char* what,
                      std::string& why, bool& bCase)
{
    const std::string trimmed = Trim(word);
    for (const char* candidate : words)
    {
        if (!EqualsIgnoringCase(trimmed, candidate))
            continue;
        bCase = trimmed != candidate;
        const bool bBlanks = trimmed != word;
        why = bCase ? std::string(what) + " are case-sensitive" : std::string();
        if (bBlanks)
            why += std::string(bCase ? " and " : "") + "blanks around a token are part of it";
        return candidate;
    }
    return nullptr;
}

class CWarnings
{
public:
    explicit CWarnings(CPayloadCheck& check) : m_check(check) {}

    void Add(const char* code, const std::string& text) { m_check.warnings.push_back({code, text}); }

    void Payload(const std::string& payload)
    {
        size_t nNul = payload.find('\0');
        if (nNul != std::string::npos)
            Add("payload-nul", "the payload holds a NUL byte: Tavrin reads it only up to there (" +
                                   std::to_string(payload.size() - nNul) + " bytes are left out)");
        if (m_check.line != payload.substr(0, nNul))
            Add("payload-utf8", "the payload is not valid UTF-8: Tavrin shows each invalid sequence as U+FFFD");
    }

    // The reader stops at the end of the root value and ignores the rest.
    void Trailing(const Json::Value& root)
    {
        const std::string& text = m_check.line;
        size_t i = static_cast<size_t>(root.getOffsetLimit());
        while (i < text.size())
        {
            if (std::strchr(" \t\r\n", text[i]))
                ++i;
            else if (text.compare(i, 2, "//") == 0)
                i = std::min(text.find_first_of("\r\n", i), text.size());
            else if (text.compare(i, 2, "/*") == 0)
                i = std::min(text.find("*/", i + 2), text.size() - 2) + 2;
            else
                break;
        }
        if (i >= text.size())
            return;
        const bool bNextLine = text.find_first_of("\r\n", static_cast<size_t>(root.getOffsetLimit())) < i;
        Add("trailing-text", "the payload goes on after its JSON value: Tavrin ignores the last " +
                                 std::to_string(text.size() - static_cast<size_t>(root.getOffsetLimit())) + " bytes" +
                                 (bNextLine ? " (one payload a line? --lines checks each)" : ""));
    }

    void Types()
    {
        const CStatusReasons& r = m_check.reasons;
        if (r.pszRequestType && std::strcmp(r.pszRequestType, "object") != 0)
            Add("request-type", "\"request\" is " + WithArticle(r.pszRequestType) +
                                    ", not an object: Tavrin reads no title and no content from it");
        Type("title-type", "title", r.pszTitleType);
        if (r.bTitleCutAtNul)
            Add("title-nul", "the title holds a NUL character: Tavrin reads it only up to there");
    }

    void Title()
    {
        const CStatusReasons& r = m_check.reasons;
        if (r.tokens.empty())
            return;
        const STitleRow* pRow = r.title.pRow;
        if (!pRow)
        {
            NoKeyword(r.tokens[0]);
            return;
        }
        if (r.tokens.size() < pRow->nFewestTokens)
        {
            Add("too-few-tokens", m_check.NoRowText() + ": the board does not change");
            return;
        }
        if (pRow->kind == TITLE_GUIDE && !r.title.bWordKnown)
            UnknownWord("guide-phase", "guide phase", "phases", Words(GUIDE_PHASES, &SWordText::word));
        if (pRow->kind == TITLE_CALL && !r.title.bWordKnown)
            UnknownWord("call-action", "call action", "actions", Words(CALL_ACTIONS, &SWordText::word));
        // Each row reads exactly its fewest tokens.
        if (r.tokens.size() > pRow->nFewestTokens)
            ExtraTokens(*pRow);
    }

    void Content()
    {
        const CStatusReasons& r = m_check.reasons;
        Type("content-type", "content", r.pszContentType);
        if (r.bContentCutAtNul)
            Add("content-nul", "the content holds a NUL character: Tavrin reads it only up to there");
        if (r.nContentBytes > MAX_CONTENT_BYTES)
            Add("content-cut", "the content is " + std::to_string(r.nContentBytes) +
                                   " bytes: the general pane keeps its first " +
                                   std::to_string(m_check.update.strContentLine.size()));
    }

private:
    void Type(const char* code, const char* what, const char* pszType)
    {
        if (!pszType || std::strcmp(pszType, "string") == 0)
            return;
        const bool bSpelt = std::strcmp(pszType, "number") == 0 || std::strcmp(pszType, "boolean") == 0;
        Add(code, std::string("the ") + what + " is " + WithArticle(pszType) + ", not a string: Tavrin reads it as " +
                      (bSpelt ? "its text" : "empty text"));
    }

    void NoKeyword(const std::string& token)
    {
        std::string why;
        bool bCase = false;
        if (const char* keyword = NearMatch(token, Words(TITLE_ROWS, &STitleRow::keyword), "keywords", why, bCase))
            Add(bCase ? "keyword-case" : "keyword-blanks",
                Quoted(token) + " is no keyword, but " + Quoted(keyword) + " is: " + why);
        else
            Add("no-row", m_check.NoRowText() + " (the keywords are " + List(Words(TITLE_ROWS, &STitleRow::keyword)) +
                              "): the board does not change");
    }

    void UnknownWord(const char* code, const char* what, const char* plural, const std::vector<const char*>& words)
    {
        const std::string& word = m_check.reasons.title.strWord;
        std::string why;
        bool bCase = false;
        std::string text = Quoted(word) + " is not a " + what;
        if (const char* near = NearMatch(word, words, plural, why, bCase))
            text += ", but " + Quoted(near) + " is: " + why;
        else
            text += " (" + List(words) + ")";
        Add(code, text + "; the board shows " + ShownText());
    }

    // The board text in which the unknown word left its empty parentheses.
    std::string ShownText() const
    {
        const std::vector<SStatusText>& texts = m_check.update.texts;
        const EStatusField field = m_check.reasons.title.pRow->kind == TITLE_GUIDE ? FIELD_ROBOT_STATUS : FIELD_CALL_DETAIL;
        for (const SStatusText& t : texts)
            if (t.field == field)
                return t.text;
        return std::string();
    }

    void ExtraTokens(const STitleRow& row)
    {
        const std::vector<std::string>& tokens = m_check.reasons.tokens;
        const size_t nRead = row.nFewestTokens;
        std::string ignored;
        for (size_t i = nRead; i < tokens.size() && i < nRead + 3; ++i)
            ignored += (ignored.empty() ? "" : " ") + Quoted(tokens[i]);
        if (tokens.size() > nRead + 3)
            ignored += " …";
        Add("extra-tokens", std::string(row.keyword) + " reads " + std::to_string(nRead) + " token" +
                                (nRead == 1 ? "" : "s") + ", the title has " + std::to_string(tokens.size()) +
                                ": Tavrin ignores " + ignored);
    }

    CPayloadCheck& m_check;
};
}

CPayloadCheck CheckPayload(const std::string& payload, const std::string& topic)
{
    CPayloadCheck check;
    check.topic = topic;
    check.line = PayloadText(payload.data(), payload.size());
    Json::Value root;
    check.intake = ParsePayload(check.line, root, &check.jsonError);
    if (check.intake == INTAKE_PARSED)
        check.update = InterpretMessage(topic, root, &check.reasons);

    CWarnings warnings(check);
    warnings.Payload(payload);
    if (check.intake == INTAKE_PARSED)
        warnings.Trailing(root);
    if (check.IsShown())
    {
        warnings.Types();
        warnings.Title();
        warnings.Content();
    }
    return check;
}

namespace
{
// The ways to be dropped, in the order in which the program meets them.
enum EDrop
{
    NOT_DROPPED,
    DROP_TOO_LARGE,
    DROP_TOO_DEEP,
    DROP_NO_JSON,
    DROP_BY_TOPIC,
    DROP_BY_ROOT,
    DROP_BY_MEMBER,
};

struct SDropName
{
    const char* code; // "no-" and the member for DROP_BY_MEMBER
    const char* kind;
};

const SDropName DROP_NAMES[] = {
    {"", ""},
    {"too-large", "too large to parse"},
    {"too-deep", "nested too deeply"},
    {"no-json", "no JSON"},
    {"topic", "a topic other than \"server/sendMessage\""},
    {"not-object", "the root is not an object"},
    {"no-", ""},
};

EDrop DropOf(const CPayloadCheck& check)
{
    switch (check.intake)
    {
    case INTAKE_TOO_LARGE:
        return DROP_TOO_LARGE;
    case INTAKE_TOO_DEEP:
        return DROP_TOO_DEEP;
    case INTAKE_NOT_JSON:
        return DROP_NO_JSON;
    case INTAKE_PARSED:
        break;
    }
    switch (check.reasons.drop)
    {
    case DROP_TOPIC:
        return DROP_BY_TOPIC;
    case DROP_NOT_OBJECT:
        return DROP_BY_ROOT;
    case DROP_MISSING_MEMBER:
        return DROP_BY_MEMBER;
    case DROP_NONE:
        break;
    }
    return NOT_DROPPED;
}
}

std::string CPayloadCheck::DropCode() const
{
    const EDrop drop = DropOf(*this);
    return DROP_NAMES[drop].code + std::string(drop == DROP_BY_MEMBER ? reasons.pszMissingMember : "");
}

std::string CPayloadCheck::DropKind() const
{
    const EDrop drop = DropOf(*this);
    return drop == DROP_BY_MEMBER ? DropText() : DROP_NAMES[drop].kind;
}

std::string CPayloadCheck::DropText() const
{
    const EDrop drop = DropOf(*this);
    const std::string kind = DROP_NAMES[drop].kind;
    switch (drop)
    {
    case DROP_TOO_LARGE:
        return kind + ": " + std::to_string(line.size()) + " bytes, more than " + std::to_string(MAX_PARSED_PAYLOAD_BYTES);
    case DROP_TOO_DEEP:
        return kind + ": more than " + std::to_string(MAX_JSON_DEPTH) + " levels of arrays and objects";
    case DROP_NO_JSON:
        if (jsonError.nLine > 0)
            return kind + ": Line " + std::to_string(jsonError.nLine) + ", Column " + std::to_string(jsonError.nColumn) +
                   ": " + jsonError.message;
        return kind + ": " + jsonError.message;
    case DROP_BY_TOPIC:
        return "topic \"" + topic + "\" is not \"server/sendMessage\"";
    case DROP_BY_ROOT:
        return kind + " but " + WithArticle(reasons.pszRootType);
    case DROP_BY_MEMBER:
        return std::string("no \"") + reasons.pszMissingMember + "\"";
    case NOT_DROPPED:
        break;
    }
    return std::string();
}

std::string CPayloadCheck::NoRowText() const
{
    if (!IsShown() || !update.texts.empty())
        return std::string();
    if (reasons.tokens.empty())
        return reasons.pszTitleType ? "the title has no token" : "no title";
    const STitleRow* pRow = reasons.title.pRow;
    if (!pRow)
        return "no row for " + Quoted(reasons.tokens[0]);
    return std::string(pRow->keyword) + " needs " + std::to_string(pRow->nFewestTokens) + " tokens, has " +
           std::to_string(reasons.tokens.size());
}

const char* FieldName(EStatusField field)
{
    switch (field)
    {
    case FIELD_ROBOT_STATUS:
        return "RobotStatus";
    case FIELD_ROBOT_DETAIL:
        return "RobotDetail";
    case FIELD_CALL_COUNT:
        return "CallCount";
    case FIELD_CALL_DETAIL:
        return "CallDetail";
    }
    return "";
}
