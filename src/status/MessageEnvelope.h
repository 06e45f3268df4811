#pragma once

#include <string>

namespace Json { class Value; }

// The envelope of a message on "server/sendMessage". Only the presence of the
// required members matters; their values are kept as text, never interpreted.
class CMessageEnvelope
{
public:
    std::string id;
    std::string version;
    std::string timestamp;
    std::string correlationId;

    // true when "id", "timestamp" and "correlationId" are all present.
    bool Parse(const Json::Value& root);

    // The first of those that an object (nothing else) lacks, tested in that
    // order; nullptr when it has them all.
    static const char* FirstMissingMember(const Json::Value& root);
};

class CRequestMessage : public CMessageEnvelope
{
public:
    std::string title;
    std::string content;
};

// A member's value as text: strings as they stand, numbers and booleans
// spelled out, null and anything that is not a scalar as empty text.
std::string ReadText(const Json::Value& value);
