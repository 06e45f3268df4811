#include "mqtt/MessageIntake.h"

#include "mqtt/RobotMqttService.h"
#include "mqtt/RobotMqttServiceCallback.h"
#include "text/Utf8.h"

#include <cstdio>
#include <exception>
#include <json/json.h>
#include <mosquitto.h>
#include <string>
#include <vector>

namespace
{
bool IsJsonSpace(char c)
{
    return c == ' ' || c == '\t' || c == '\r' || c == '\n';
}

// Past the comment that starts at text[i] ('/'), or i itself when no comment
// starts there. An unclosed comment runs to the end, where the reader fails.
size_t SkipComment(std::string_view text, size_t i)
{
    if (i + 1 >= text.size())
        return i;
    if (text[i + 1] == '*')
    {
        // "/*/" does not close itself: search from after the "*".
        size_t end = text.find("*/", i + 2);
        return end == std::string_view::npos ? text.size() : end + 2;
    }
    if (text[i + 1] == '/')
    {
        size_t end = text.find_first_of("\r\n", i + 2);
        return end == std::string_view::npos ? text.size() : end + 1;
    }
    return i;
}

// Past the string whose opening quote is text[i]; a backslash takes the next
// character with it, as the reader reads it.
size_t SkipString(std::string_view text, size_t i)
{
    for (++i; i < text.size(); ++i)
    {
        if (text[i] == '\\')
            ++i;
        else if (text[i] == '"')
            return i + 1;
    }
    return text.size();
}

void ReadError(const Json::Reader& reader, SJsonError& error)
{
    // The reader's own wording and its own count of lines and columns.
    const std::vector<Json::Reader::StructuredError> errors = reader.getStructuredErrors();
    if (errors.empty())
        return;
    error.message = errors.front().message;
    const std::string formatted = reader.getFormattedErrorMessages();
    if (std::sscanf(formatted.c_str(), "* Line %d, Column %d", &error.nLine, &error.nColumn) != 2)
        error.nLine = error.nColumn = 0;
}
}

std::string PayloadText(const char* pPayload, size_t nBytes)
{
    return Utf8::Sanitize(pPayload, nBytes);
}

EIntakeResult ParsePayload(const std::string& text, Json::Value& root, SJsonError* pError)
{
    if (text.size() > MAX_PARSED_PAYLOAD_BYTES)
        return INTAKE_TOO_LARGE;
    if (JsonNestsDeeperThan(text, MAX_JSON_DEPTH))
        return INTAKE_TOO_DEEP;
    // The reader throws instead of failing for some input; that is just a
    // payload that is no JSON.
    try
    {
        Json::Reader reader; // default features: comments, any value at the root
        if (reader.parse(text, root, true))
            return INTAKE_PARSED;
        if (pError)
            ReadError(reader, *pError);
    }
    catch (const std::exception& e)
    {
        if (pError)
            *pError = SJsonError{0, 0, e.what()};
    }
    catch (...)
    {
        if (pError)
            *pError = SJsonError{0, 0, "the reader gave up"};
    }
    return INTAKE_NOT_JSON;
}

bool JsonNestsDeeperThan(std::string_view text, size_t nMaxDepth)
{
    size_t nDepth = 0;
    size_t i = 0;
    while (i < text.size())
    {
        const char c = text[i];
        if (IsJsonSpace(c))
        {
            ++i;
            continue;
        }
        if (c == '/')
        {
            size_t next = SkipComment(text, i);
            if (next != i)
            {
                i = next;
                continue;
            }
        }
        // A root that is no array or object nests nothing.
        if (nDepth == 0 && c != '[' && c != '{')
            return false;
        switch (c)
        {
        case '"':
            i = SkipString(text, i);
            continue;
        case '[':
        case '{':
            if (++nDepth > nMaxDepth)
                return true;
            break;
        case ']':
        case '}':
            // The root value ends here; the reader reads nothing after it.
            if (--nDepth == 0)
                return false;
            break;
        default:
            break;
        }
        ++i;
    }
    return false;
}

void CRobotMqttService::OnReceive(const mosquitto_message* pMessage)
{
    // An empty payload comes without any buffer.
    const char* pPayload = static_cast<const char*>(pMessage->payload);
    size_t nBytes = pPayload && pMessage->payloadlen > 0 ? static_cast<size_t>(pMessage->payloadlen) : 0;
    std::string text = PayloadText(pPayload, nBytes);
    m_pCallback->AddLog(LOG_SUBSCRIBE, text);

    Json::Value root;
    if (ParsePayload(text, root) != INTAKE_PARSED)
        return;
    m_pCallback->OnMessage(pMessage->topic ? pMessage->topic : "", root);
}
