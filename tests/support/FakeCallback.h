#pragma once

#include "mqtt/RobotMqttServiceCallback.h"

#include <cstdint>
#include <json/value.h>
#include <map>
#include <string>
#include <vector>

// Stands in for the main window: answers settings from a map (the default when
// unset), and records every log line, settings read and message in order.
class CFakeCallback : public CRobotMqttServiceCallback
{
public:
    struct CLine
    {
        int nKind;
        std::string text;
    };
    struct CMessage
    {
        std::string topic;
        Json::Value root;
    };

    void SetInt(const std::string& key, int nValue) { m_ints[key] = nValue; }
    void SetString(const std::string& key, const std::string& value) { m_strings[key] = value; }
    // Only count messages, for long runs.
    void KeepMessages(bool bKeep) { m_bKeepMessages = bKeep; }

    int GetConfigInt(const std::string& section, const std::string& key, int nDefault) override;
    std::string GetConfigString(const std::string& section, const std::string& key,
                                const std::string& strDefault) override;
    // Writes into the map, as the INI would be written.
    void SetConfigString(const std::string& section, const std::string& key, const std::string& value) override;
    void AddLog(int nKind, const std::string& text) override;
    void OnMessage(const std::string& topic, const Json::Value& root) override;

    std::vector<std::string> Lines(int nKind) const;
    int CountLines(int nKind, const std::string& text) const;
    // How many library log texts so far contain the part ("SUBACK").
    int CountLibraryLog(const std::string& part) const;
    int CountReads(const std::string& key) const;

    std::vector<CLine> m_lines;
    std::vector<std::string> m_reads; // "section/key", in order
    std::vector<CMessage> m_messages;
    size_t m_nMessages = 0;

private:
    std::map<std::string, int> m_ints;
    std::map<std::string, std::string> m_strings;
    bool m_bKeepMessages = true;
};

// The tick counter handed to the client: whatever the test sets.
namespace FakeTick
{
void Set(uint32_t dwTick);
uint32_t Now();
}
