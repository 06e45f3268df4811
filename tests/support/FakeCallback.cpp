#include "FakeCallback.h"

#include <algorithm>

int CFakeCallback::GetConfigInt(const std::string& section, const std::string& key, int nDefault)
{
    m_reads.push_back(section + "/" + key);
    auto it = m_ints.find(key);
    return it == m_ints.end() ? nDefault : it->second;
}

std::string CFakeCallback::GetConfigString(const std::string& section, const std::string& key,
                                           const std::string& strDefault)
{
    m_reads.push_back(section + "/" + key);
    auto it = m_strings.find(key);
    return it == m_strings.end() ? strDefault : it->second;
}

void CFakeCallback::SetConfigString(const std::string&, const std::string& key, const std::string& value)
{
    m_strings[key] = value;
}

void CFakeCallback::AddLog(int nKind, const std::string& text)
{
    m_lines.push_back({nKind, text});
}

void CFakeCallback::OnMessage(const std::string& topic, const Json::Value& root)
{
    ++m_nMessages;
    if (m_bKeepMessages)
        m_messages.push_back({topic, root});
}

std::vector<std::string> CFakeCallback::Lines(int nKind) const
{
    std::vector<std::string> lines;
    for (const CLine& line : m_lines)
        if (line.nKind == nKind)
            lines.push_back(line.text);
    return lines;
}

int CFakeCallback::CountLines(int nKind, const std::string& text) const
{
    return static_cast<int>(std::count_if(m_lines.begin(), m_lines.end(), [&](const CLine& line) {
        return line.nKind == nKind && line.text == text;
    }));
}

int CFakeCallback::CountLibraryLog(const std::string& part) const
{
    return static_cast<int>(std::count_if(m_lines.begin(), m_lines.end(), [&](const CLine& line) {
        return line.nKind == LOG_LIBRARY && line.text.find(part) != std::string::npos;
    }));
}

int CFakeCallback::CountReads(const std::string& key) const
{
    return static_cast<int>(std::count(m_reads.begin(), m_reads.end(), "RobotMqttService/" + key));
}

namespace FakeTick
{
namespace
{
uint32_t g_dwTick = 0;
}

void Set(uint32_t dwTick)
{
    g_dwTick = dwTick;
}

uint32_t Now()
{
    return g_dwTick;
}
}
