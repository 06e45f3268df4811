#include "FakeCallback.h"
#include "mqtt/LinkFacts.h"
#include "mqtt/MessageIntake.h"
#include "mqtt/RobotMqttService.h"

#include <cstring>
#include <gtest/gtest.h>
#include <mosquitto.h>
#include <string>

namespace
{
// The intake alone, given the record that the library would hand over.
class IntakeLimitTest : public testing::Test
{
protected:
    // true when the payload reached OnMessage; it is always logged.
    bool Receive(std::string payload)
    {
        char szTopic[sizeof Link::TOPIC_MESSAGE];
        std::memcpy(szTopic, Link::TOPIC_MESSAGE, sizeof szTopic);
        mosquitto_message message{};
        message.topic = szTopic;
        message.payload = payload.data();
        message.payloadlen = static_cast<int>(payload.size());
        size_t nBefore = m_callback.m_messages.size();
        m_service.OnReceive(&message);
        EXPECT_EQ(LOG_SUBSCRIBE, m_callback.m_lines.back().nKind);
        EXPECT_TRUE(payload == m_callback.m_lines.back().text);
        return m_callback.m_messages.size() > nBefore;
    }

    CFakeCallback m_callback;
    CRobotMqttService m_service{&m_callback, FakeTick::Now};
};

// Arrays and objects in turn, nDepth levels, around a number.
std::string Nested(size_t nDepth)
{
    std::string open, close;
    for (size_t i = 0; i < nDepth; ++i)
    {
        open += i % 2 ? "{\"k\": " : "[";
        close.insert(0, i % 2 ? "}" : "]");
    }
    return open + "0" + close;
}

TEST_F(IntakeLimitTest, NestingUpToTheLimitIsParsedDeeperIsNot)
{
    EXPECT_TRUE(Receive(Nested(MAX_JSON_DEPTH)));
    EXPECT_FALSE(Receive(Nested(MAX_JSON_DEPTH + 1)));
    // The reader itself would still take this, deep in the stack.
    EXPECT_FALSE(Receive(Nested(999)));
    EXPECT_TRUE(Receive("{\"id\": 1}"));
}

TEST_F(IntakeLimitTest, BracketsInStringsAndCommentsDoNotCount)
{
    const std::string deep(1000, '[');
    EXPECT_TRUE(Receive("[\"" + deep + "\"]"));
    EXPECT_TRUE(Receive("[\"\\\"" + deep + "\"]"));     // an escaped quote does not end the string
    EXPECT_FALSE(Receive("[\"\\\\\", " + Nested(MAX_JSON_DEPTH) + "]")); // an escaped backslash does not hide the quote
    EXPECT_TRUE(Receive("/* " + deep + " */ [1, // " + deep + "\n 2]"));
    EXPECT_TRUE(Receive("/*/ " + deep + " */ [1]")); // "/*/" opens a comment and does not close it
    EXPECT_TRUE(Receive("[1, // " + deep + "\r 2]"));
}

TEST_F(IntakeLimitTest, WhatFollowsTheRootDoesNotCount)
{
    // The reader parses the root value and ignores the rest.
    const std::string deep(1000, '[');
    EXPECT_TRUE(Receive("{} " + deep));
    EXPECT_TRUE(Receive("42 " + deep));
    EXPECT_TRUE(Receive("\"text\" " + deep));
    EXPECT_EQ(42, m_callback.m_messages[1].root.asInt());
}

TEST_F(IntakeLimitTest, PayloadsLongerThanTheCapAreLoggedButNotParsed)
{
    const std::string body = "{\"id\": 1}";
    EXPECT_TRUE(Receive(body + std::string(MAX_PARSED_PAYLOAD_BYTES - body.size(), ' ')));
    EXPECT_FALSE(Receive(body + std::string(MAX_PARSED_PAYLOAD_BYTES - body.size() + 1, ' ')));

    // 10 MB of small values: the reader would need half a GB for it.
    std::string many(10 * 1000 * 1000 + 1, ',');
    many.front() = '[';
    many.back() = ']';
    for (size_t i = 1; i < many.size(); i += 2)
        many[i] = '0';
    EXPECT_FALSE(Receive(many));
    EXPECT_TRUE(Receive(body));
}

TEST_F(IntakeLimitTest, HundredThousandNestedBrackets)
{
    const std::string deep(100000, '[');
    EXPECT_FALSE(Receive(deep));
    EXPECT_TRUE(JsonNestsDeeperThan(deep, MAX_JSON_DEPTH));
    EXPECT_TRUE(JsonNestsDeeperThan(std::string(100000, '{'), MAX_JSON_DEPTH));
    EXPECT_FALSE(JsonNestsDeeperThan("[\"" + deep + "\"]", 1));
    EXPECT_FALSE(JsonNestsDeeperThan("/*" + deep, 0)); // an unclosed comment: the reader fails
    EXPECT_TRUE(Receive("[]"));
}
}
