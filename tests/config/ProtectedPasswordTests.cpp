// The password key: plain text to protect, the protected form to open, and
// every malformed form a clear failure.
#include "config/ProtectedPassword.h"

#include <gtest/gtest.h>

namespace
{
std::vector<unsigned char> Bytes(const std::string& text)
{
    return std::vector<unsigned char>(text.begin(), text.end());
}

TEST(ProtectedPasswordTest, Base64RoundTripsEveryLengthAndRefusesWhatIsNotStrict)
{
    using namespace std::string_literals;
    for (const std::string& text : {""s, "a"s, "ab"s, "abc"s, "abcd"s, "\xff\x00\x10 é"s})
    {
        std::vector<unsigned char> back;
        ASSERT_TRUE(Base64Decode(Base64Encode(Bytes(text)), back)) << text;
        EXPECT_EQ(Bytes(text), back);
    }
    EXPECT_EQ("YWJj", Base64Encode(Bytes("abc")));
    EXPECT_EQ("YQ==", Base64Encode(Bytes("a")));
    std::vector<unsigned char> bytes;
    for (const std::string& bad : {std::string("YQ="), std::string("Y==="), std::string("=YQ="),
                                   std::string("YQ==YQ=="), std::string("YW-j"), std::string("YW j"),
                                   std::string("YWJj\n"), std::string("YR=="), std::string("Y\0Jj", 4)})
        EXPECT_FALSE(Base64Decode(bad, bytes)) << bad;
}

TEST(ProtectedPasswordTest, EachStoredValueAndWhatComesOfIt)
{
    std::vector<unsigned char> blob;
    std::string error;
    ASSERT_TRUE(ProtectText("s3cret", blob, error));
    const std::string good = EncodeProtectedForm(blob);
    struct SCase
    {
        std::string stored;
        bool bOk;
        std::string password;
        bool bReplaced;
        const char* pszError;
    };
    const SCase CASES[] = {
        {"", true, "", false, ""},
        {"s3cret", true, "s3cret", true, ""},
        {good, true, "s3cret", false, ""},
        {PROTECTED_PREFIX, false, "", false, "damaged"},
        {std::string(PROTECTED_PREFIX) + "%%%%", false, "", false, "damaged"},
        {std::string(PROTECTED_PREFIX) + "YWJj", false, "", false, "cannot be opened by this user on this PC"},
        {good + "=", false, "", false, "damaged"},
    };
    for (const SCase& c : CASES)
    {
        SCOPED_TRACE(c.stored);
        const SPasswordRead read = ReadPasswordSetting(c.stored);
        EXPECT_EQ(c.bOk, read.bOk);
        EXPECT_EQ(c.password, read.password);
        EXPECT_EQ(c.bReplaced, !read.replacement.empty());
        EXPECT_NE(std::string::npos, read.error.find(c.pszError)) << read.error;
        if (c.bReplaced)
        {
            EXPECT_EQ(c.password, ReadPasswordSetting(read.replacement).password);
        }
    }
}
}
