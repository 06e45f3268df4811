#include "status/MessageEnvelope.h"

#include <json/value.h>

bool CMessageEnvelope::Parse(const Json::Value& root)
{
    // isMember asserts on anything but an object or null.
    if (!root.isObject())
        return false;
    if (!root.isMember("id") || !root.isMember("timestamp") || !root.isMember("correlationId"))
        return false;
    id = ReadText(root["id"]);
    version = ReadText(root["version"]);
    timestamp = ReadText(root["timestamp"]);
    correlationId = ReadText(root["correlationId"]);
    return true;
}

std::string ReadText(const Json::Value& value)
{
    // asString throws for these; they carry no text we could show.
    if (value.isArray() || value.isObject())
        return std::string();
    return value.asString();
}
