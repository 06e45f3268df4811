#pragma once

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

CStatusUpdate InterpretMessage(const std::string& topic, const Json::Value& root);

// ":"-separated tokens; empty fields never become tokens. Stops after
// nMaxTokens tokens without looking at the rest of the title.
std::vector<std::string> SplitTitle(const std::string& title, size_t nMaxTokens = SIZE_MAX);
std::vector<SStatusText> InterpretTitle(const std::vector<std::string>& tokens);
