#pragma once

#include "status/StatusInterpretation.h"
#include "mqtt/LinkFacts.h"

#include <gtest/gtest.h>
#include <json/reader.h>
#include <json/value.h>

#include <ostream>
#include <string>

// Parses as the intake does.
inline Json::Value ParseJson(const std::string& text)
{
    Json::Value value;
    Json::Reader reader;
    EXPECT_TRUE(reader.parse(text, value, true)) << text;
    return value;
}

inline CStatusUpdate Interpret(const std::string& json)
{
    return InterpretMessage(Link::TOPIC_MESSAGE, ParseJson(json));
}

// A message with a valid envelope; title and content are spliced in as JSON text.
inline std::string Request(const std::string& titleJson, const std::string& contentJson = "\"\"")
{
    return R"({"id":"1","timestamp":"2","correlationId":"3","request":{"title":)" + titleJson +
           R"(,"content":)" + contentJson + "}}";
}

inline bool operator==(const SStatusText& a, const SStatusText& b)
{
    return a.field == b.field && a.text == b.text;
}

inline void PrintTo(const SStatusText& t, std::ostream* os)
{
    static const char* const NAMES[] = {"RobotStatus", "RobotDetail", "CallCount", "CallDetail"};
    *os << NAMES[t.field] << "=\"" << t.text << "\"";
}
