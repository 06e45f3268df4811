#include "mqtt/RobotMqttService.h"

#include "mqtt/RobotMqttServiceCallback.h"
#include "text/Utf8.h"

#include <json/json.h>
#include <mosquitto.h>
#include <string>

namespace
{
bool ParsePayload(const std::string& text, Json::Value& root)
{
    // The reader throws instead of failing for some input, for instance
    // nesting deeper than it allows; that is just a payload that is no JSON.
    try
    {
        Json::Reader reader; // default features: comments, any value at the root
        return reader.parse(text, root, true);
    }
    catch (...)
    {
        return false;
    }
}
}

void CRobotMqttService::OnReceive(const mosquitto_message* pMessage)
{
    // An empty payload comes without any buffer.
    const char* pPayload = static_cast<const char*>(pMessage->payload);
    size_t nBytes = pPayload && pMessage->payloadlen > 0 ? static_cast<size_t>(pMessage->payloadlen) : 0;
    std::string text = Utf8::Sanitize(pPayload, nBytes);
    m_pCallback->AddLog(LOG_SUBSCRIBE, text);

    Json::Value root;
    if (!ParsePayload(text, root))
        return;
    m_pCallback->OnMessage(pMessage->topic ? pMessage->topic : "", root);
}
