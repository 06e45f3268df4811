#pragma once

#include <string>

namespace Json { class Value; }

// Log kinds: the first argument of AddLog. Each goes to its own pane.
enum
{
    LOG_MQTT = 1,
    LOG_SUBSCRIBE = 2,
    LOG_PUBLISH = 3,
    LOG_LIBRARY = 4,
};

// How the MQTT link reaches the rest of the program. Every text that crosses
// it is UTF-8. The link holds this without owning it, so there is no virtual
// destructor; nobody deletes through it.
class CRobotMqttServiceCallback
{
public:
    virtual int GetConfigInt(const std::string& section, const std::string& key, int nDefault) = 0;
    virtual std::string GetConfigString(const std::string& section, const std::string& key,
                                        const std::string& strDefault) = 0;
    // Replaces a value: the plain password by its protected form.
    virtual void SetConfigString(const std::string& section, const std::string& key, const std::string& value) = 0;
    virtual void AddLog(int nKind, const std::string& text) = 0;
    virtual void OnMessage(const std::string& topic, const Json::Value& root) = 0;

protected:
    ~CRobotMqttServiceCallback() = default;
};
