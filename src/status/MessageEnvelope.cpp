#include "status/MessageEnvelope.h"

#include <initializer_list>
#include <json/value.h>

bool CMessageEnvelope::Parse(const Json::Value& root)
{
    // isMember asserts on anything but an object or null.
    if (!root.isObject())
        return false;
    if (FirstMissingMember(root))
        return false;
    id = ReadText(root["id"]);
    version = ReadText(root["version"]);
    timestamp = ReadText(root["timestamp"]);
    correlationId = ReadText(root["correlationId"]);
    return true;
}

const char* CMessageEnvelope::FirstMissingMember(const Json::Value& root)
{
    for (const char* pszName : {"id", "timestamp", "correlationId"})
        if (!root.isMember(pszName))
            return pszName;
    return nullptr;
}

std::string ReadText(const Json::Value& value)
{
    // asString throws for these; they carry no text we could show.
    if (value.isArray() || value.isObject())
        return std::string();
    return value.asString();
}
