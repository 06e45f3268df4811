#pragma once

#include "status/StatusTexts.h"

#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

namespace Json { class Value; }

// The four fields of the status board that messages write.
enum EStatusField
{
    FIELD_ROBOT_STATUS,
    FIELD_ROBOT_DETAIL,
    FIELD_CALL_COUNT,
    FIELD_CALL_DETAIL,
};

struct SStatusText
{
    EStatusField field;
    std::string text; // UTF-8
};

// What one message does to the board; the window only applies it.
struct CStatusUpdate
{
    bool bAccepted = false;          // right topic and a valid envelope
    std::string strContentLine;      // UTF-8, at most 1023 bytes, for the general pane
    std::vector<SStatusText> texts;  // in the order in which they are written
};

// Why a message was not accepted.
enum EDropReason
{
    DROP_NONE,
    DROP_TOPIC,          // any topic but "server/sendMessage"
    DROP_NOT_OBJECT,     // the root is no JSON object
    DROP_MISSING_MEMBER, // the envelope lacks "id", "timestamp" or "correlationId"
};

// What a title came to: the row whose keyword its first token is, and the
// word that the row looked up in its own table (a guide phase, a call action).
struct STitleReasons
{
    const StatusTexts::STitleRow* pRow = nullptr;
    std::string strWord;
    bool bWordKnown = false;
};

// The reasons behind an update, for those who ask (the checker): the window
// does not, and pays nothing for them. Texts are UTF-8 as the board shows them.
struct CStatusReasons
{
    EDropReason drop = DROP_NONE;
    const char* pszMissingMember = nullptr; // DROP_MISSING_MEMBER: the first one
    // JSON type names ("object", "string", "number", ...); nullptr when missing.
    const char* pszRootType = nullptr;
    const char* pszRequestType = nullptr;
    const char* pszTitleType = nullptr;
    const char* pszContentType = nullptr;
    bool bTitleCutAtNul = false;
    bool bContentCutAtNul = false;
    size_t nContentBytes = 0;        // before the cut to the content line
    std::vector<std::string> tokens; // every token of the title
    STitleReasons title;
};

CStatusUpdate InterpretMessage(const std::string& topic, const Json::Value& root,
                               CStatusReasons* pReasons = nullptr);

// ":"-separated tokens; empty fields never become tokens. Stops after
// nMaxTokens tokens without looking at the rest of the title.
std::vector<std::string> SplitTitle(const std::string& title, size_t nMaxTokens = SIZE_MAX);
std::vector<SStatusText> InterpretTitle(const std::vector<std::string>& tokens, STitleReasons* pReasons = nullptr);

// The general pane keeps this much of a content, cut on a character boundary.
inline constexpr size_t MAX_CONTENT_BYTES = 1023;
