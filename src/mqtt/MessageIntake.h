#pragma once

#include <cstddef>
#include <string>
#include <string_view>

namespace Json { class Value; }

// What the intake hands to the JSON reader. Robot messages are a few levels
// deep and well under 1 KB; anything beyond these limits is logged in the
// "subscribe" pane but not parsed, as if it were no JSON.

// The reader recurses once per level and only stops at 1,000 levels, which
// takes a few hundred KB of the user-interface thread's stack, and the poll
// already runs deep inside window procedures.
inline constexpr size_t MAX_JSON_DEPTH = 64;

// Parsing costs about 50 times the text's size in memory and some 0.5 ms per
// KB; at this size one message stays well inside a poll's time budget.
inline constexpr size_t MAX_PARSED_PAYLOAD_BYTES = 16 * 1024;

// Whether the root value nests arrays and objects more than nMaxDepth levels
// deep, read as Json::Reader with its default features reads it: brackets in
// strings and comments do not count, nor does whatever follows the root value
// (the reader ignores it). Linear in the text's length.
bool JsonNestsDeeperThan(std::string_view text, size_t nMaxDepth);

// What the intake made of a payload: only INTAKE_PARSED reaches OnMessage.
enum EIntakeResult
{
    INTAKE_PARSED,
    INTAKE_TOO_LARGE, // more than MAX_PARSED_PAYLOAD_BYTES
    INTAKE_TOO_DEEP,  // nests more than MAX_JSON_DEPTH levels
    INTAKE_NOT_JSON,  // the reader refused it
};

// The reader's first complaint about a text it refused, and where it points
// (both from 1, the column in bytes; 0 when the reader gave up by throwing).
struct SJsonError
{
    int nLine = 0;
    int nColumn = 0;
    std::string message;
};

// The payload as text: the "subscribe" line, and what the reader is given.
std::string PayloadText(const char* pPayload, size_t nBytes);

// The intake's parse of that text, within its limits. pError, when given,
// receives the reader's complaint; the program itself never asks for it.
EIntakeResult ParsePayload(const std::string& text, Json::Value& root, SJsonError* pError = nullptr);
