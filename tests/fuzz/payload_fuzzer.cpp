// One payload down the whole road of a message, as the library hands it over:
// intake, OnMessage, interpretation. Besides crashes and sanitizer reports, it
// checks that a payload is dispatched exactly when the reader alone accepts it
// within the intake's limits, and what comes out for the board.
#include "FuzzCheck.h"
#include "mqtt/LinkFacts.h"
#include "mqtt/MessageIntake.h"
#include "mqtt/RobotMqttService.h"
#include "mqtt/RobotMqttServiceCallback.h"
#include "status/StatusInterpretation.h"
#include "text/Utf8.h"

#include <algorithm>
#include <cstdint>
#include <json/json.h>
#include <mosquitto.h>
#include <vector>

namespace
{
// A reference to the array: sizeof gives the text's size.
constexpr const auto& TOPIC = Link::TOPIC_MESSAGE;

uint32_t Tick()
{
    return 0;
}

size_t Depth(const Json::Value& value)
{
    if (!value.isArray() && !value.isObject())
        return 0;
    size_t nDeepest = 0;
    for (const Json::Value& child : value)
        nDeepest = std::max(nDeepest, Depth(child));
    return nDeepest + 1;
}

class CBoardCallback final : public CRobotMqttServiceCallback
{
public:
    int GetConfigInt(const std::string&, const std::string&, int nDefault) override { return nDefault; }
    std::string GetConfigString(const std::string&, const std::string&, const std::string& strDefault) override
    {
        return strDefault;
    }
    void SetConfigString(const std::string&, const std::string&, const std::string&) override {}
    void AddLog(int nKind, const std::string& text) override
    {
        FUZZ_CHECK(nKind == LOG_SUBSCRIBE);
        FUZZ_CHECK(IsCleanText(text));
        m_lines.push_back(text);
    }
    void OnMessage(const std::string& topic, const Json::Value& root) override
    {
        FUZZ_CHECK(topic == TOPIC);
        FUZZ_CHECK(Depth(root) <= MAX_JSON_DEPTH);
        CStatusUpdate update = InterpretMessage(topic, root);
        FUZZ_CHECK(update.strContentLine.size() <= 1023);
        FUZZ_CHECK(IsCleanText(update.strContentLine));
        FUZZ_CHECK(update.bAccepted || (update.texts.empty() && update.strContentLine.empty()));
        FUZZ_CHECK(update.texts.size() == 0 || update.texts.size() == 2);
        for (const SStatusText& t : update.texts)
            FUZZ_CHECK(IsCleanText(t.text));
        // Asking for the reasons, as the checker does, changes nothing.
        CStatusReasons reasons;
        CStatusUpdate explained = InterpretMessage(topic, root, &reasons);
        FUZZ_CHECK(explained.bAccepted == update.bAccepted && explained.strContentLine == update.strContentLine);
        FUZZ_CHECK(explained.texts.size() == update.texts.size());
        for (size_t i = 0; i < update.texts.size(); ++i)
            FUZZ_CHECK(explained.texts[i].field == update.texts[i].field && explained.texts[i].text == update.texts[i].text);
        FUZZ_CHECK(update.bAccepted == (reasons.drop == DROP_NONE));
        FUZZ_CHECK(update.texts.empty() || reasons.title.pRow);
        ++m_nMessages;
    }

    std::vector<std::string> m_lines;
    int m_nMessages = 0;
};

// What the intake should do with the text: the reader's own verdict, cut
// short by the size and depth limits.
bool ShouldDispatch(const std::string& text)
{
    if (text.size() > MAX_PARSED_PAYLOAD_BYTES)
        return false;
    Json::Value root;
    try
    {
        Json::Reader reader;
        if (!reader.parse(text, root, true))
            return false;
    }
    catch (const std::exception&)
    {
        return false;
    }
    return Depth(root) <= MAX_JSON_DEPTH;
}
}

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    // The library's buffer holds exactly payloadlen bytes; an empty payload
    // comes without any.
    std::vector<char> payload(data, data + size);
    char szTopic[sizeof TOPIC];
    std::copy(TOPIC, TOPIC + sizeof TOPIC, szTopic);
    mosquitto_message message{};
    message.topic = szTopic;
    message.payload = size ? payload.data() : nullptr;
    message.payloadlen = static_cast<int>(size);

    CBoardCallback callback;
    CRobotMqttService service(&callback, Tick);
    service.OnReceive(&message);

    FUZZ_CHECK(callback.m_lines.size() == 1);
    const std::string& line = callback.m_lines[0];
    FUZZ_CHECK(line == Utf8::Sanitize(payload.data(), size));
    FUZZ_CHECK(callback.m_nMessages == (ShouldDispatch(line) ? 1 : 0));
    // The intake's parse with the reader's complaint asked for agrees.
    Json::Value root;
    SJsonError error;
    const EIntakeResult result = ParsePayload(line, root, &error);
    FUZZ_CHECK((result == INTAKE_PARSED) == (callback.m_nMessages == 1));
    FUZZ_CHECK(result != INTAKE_NOT_JSON || !error.message.empty());
    return 0;
}
