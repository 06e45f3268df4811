#include "StatusTestSupport.h"

#include "status/MessageEnvelope.h"

namespace
{
CMessageEnvelope Filled()
{
    CMessageEnvelope e;
    e.id = "old-id";
    e.version = "old-version";
    e.timestamp = "old-timestamp";
    e.correlationId = "old-correlation";
    return e;
}

void ExpectUntouched(const CMessageEnvelope& e)
{
    EXPECT_EQ("old-id", e.id);
    EXPECT_EQ("old-version", e.version);
    EXPECT_EQ("old-timestamp", e.timestamp);
    EXPECT_EQ("old-correlation", e.correlationId);
}
}

TEST(MessageEnvelope, AcceptsAnyScalarsAndNullAsPresent)
{
    CMessageEnvelope e = Filled();
    ASSERT_TRUE(e.Parse(ParseJson(R"({"id": null, "timestamp": null, "correlationId": null})")));
    EXPECT_EQ("", e.id);
    EXPECT_EQ("", e.version);
    EXPECT_EQ("", e.timestamp);
    EXPECT_EQ("", e.correlationId);

    ASSERT_TRUE(e.Parse(ParseJson(R"({"id": 7, "version": true, "timestamp": -12, "correlationId": "c-1", "x": []})")));
    EXPECT_EQ("7", e.id);
    EXPECT_EQ("true", e.version);
    EXPECT_EQ("-12", e.timestamp);
    EXPECT_EQ("c-1", e.correlationId);
}

TEST(MessageEnvelope, RejectsMissingOrMiscasedRequiredMembersWithoutTouchingTheRecord)
{
    for (const char* json : {
             R"({"timestamp": 1, "correlationId": 1, "request": {"title": "idle"}})",
             R"({"id": 1, "correlationId": 1})",
             R"({"id": 1, "timestamp": 1, "request": {"title": "idle", "content": "x"}})",
             R"({"ID": 1, "timestamp": 1, "correlationId": 1})",
             R"({"id": 1, "timestamp": 1, "correlationID": 1})",
         })
    {
        CMessageEnvelope e = Filled();
        EXPECT_FALSE(e.Parse(ParseJson(json))) << json;
        ExpectUntouched(e);
    }
    CMessageEnvelope e;
    EXPECT_TRUE(e.Parse(ParseJson(R"({"ID": 1, "id": 2, "timestamp": 1, "correlationId": 1})")));
    EXPECT_EQ("2", e.id);
}

TEST(MessageEnvelope, RejectsRootsThatAreNotObjects)
{
    for (const char* json : {"null", "[]", R"(["id", "timestamp", "correlationId"])", R"("id")", "42", "true"})
    {
        CMessageEnvelope e = Filled();
        EXPECT_FALSE(e.Parse(ParseJson(json))) << json;
        ExpectUntouched(e);
    }
}

TEST(MessageEnvelope, ArraysAndObjectsReadAsEmptyText)
{
    CMessageEnvelope e = Filled();
    ASSERT_TRUE(e.Parse(ParseJson(R"({"id": [1], "version": {"a": 1}, "timestamp": {}, "correlationId": []})")));
    EXPECT_EQ("", e.id);
    EXPECT_EQ("", e.version);
    EXPECT_EQ("", e.timestamp);
    EXPECT_EQ("", e.correlationId);
}
