#include "status/MessageEnvelope.h"

#include "mqtt/LinkFacts.h"

#include <initializer_list>
#include <json/value.h>

bool CMessageEnvelope::Parse(const Json::Value& root)
{
    // isMember asserts on anything but an object or null.
    if (!root.isObject())
        return false;
    if (FirstMissingMember(root))
        return false;
    id = ReadText(root[Link::MEMBER_ID]);
    version = ReadText(root[Link::MEMBER_VERSION]);
    timestamp = ReadText(root[Link::MEMBER_TIMESTAMP]);
    correlationId = ReadText(root[Link::MEMBER_CORRELATION_ID]);
    return true;
}

const char* CMessageEnvelope::FirstMissingMember(const Json::Value& root)
{
    for (const char* pszName : {Link::MEMBER_ID, Link::MEMBER_TIMESTAMP, Link::MEMBER_CORRELATION_ID})
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
