#include "text/Utf8.h"

#include <gtest/gtest.h>

#include <string>

namespace
{
const std::string FFFD = "\xEF\xBF\xBD";

std::string Sanitize(const std::string& bytes)
{
    return Utf8::Sanitize(bytes.data(), bytes.size());
}
}

TEST(Utf8Sanitize, KeepsValidTextAndEndsAtTheFirstNul)
{
    EXPECT_EQ("abc 한글 😀", Sanitize("abc 한글 😀"));
    EXPECT_EQ("ab", Sanitize(std::string("ab\0cd", 5)));
    EXPECT_EQ("", Sanitize(std::string("\0ab", 3)));
    EXPECT_EQ("", Utf8::Sanitize(nullptr, 5));
    // Only nBytes are read, NUL or not.
    EXPECT_EQ("ab", Utf8::Sanitize("abcd", 2));
}

TEST(Utf8Sanitize, ReplacesInvalidSequences)
{
    EXPECT_EQ("a" + FFFD + "b", Sanitize("a\xFF" "b"));
    EXPECT_EQ("a" + FFFD + "b", Sanitize("a\x80" "b"));           // stray continuation byte
    EXPECT_EQ("a" + FFFD + "b", Sanitize("a\xC0\xAF" "b"));       // overlong "/"
    EXPECT_EQ("a" + FFFD + "b", Sanitize("a\xED\xA0\x80" "b"));   // surrogate
    EXPECT_EQ("a" + FFFD, Sanitize("a\xED\x95"));                 // truncated at the end
    EXPECT_EQ("a" + FFFD + "b", Sanitize("a\xED\x95" "b"));       // truncated before ASCII
    EXPECT_EQ(FFFD, Sanitize(std::string("\xED\x95\0\x9C", 4)));  // NUL splits a character
}

TEST(Utf8Cut, NeverEndsInsideACharacter)
{
    EXPECT_EQ("abc", Utf8::Cut("abc", 3));
    EXPECT_EQ("abc", Utf8::Cut("abc", 10));
    EXPECT_EQ("ab", Utf8::Cut("abc", 2));
    EXPECT_EQ("", Utf8::Cut("abc", 0));
    EXPECT_EQ("a한", Utf8::Cut("a한b", 4));
    EXPECT_EQ("a", Utf8::Cut("a한b", 3));
    EXPECT_EQ("a", Utf8::Cut("a한b", 2));
    EXPECT_EQ("a", Utf8::Cut("a😀", 4));
    EXPECT_EQ("a😀", Utf8::Cut("a😀b", 5));
    EXPECT_EQ("", Utf8::Cut("한", 2));
}
