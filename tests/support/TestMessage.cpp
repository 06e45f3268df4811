#include "TestMessage.h"

std::string RobotMessage(const std::string& title, const std::string& content, long long nId)
{
    const std::string id = std::to_string(nId);
    return "{\"id\":\"" + id + "\",\"version\":\"1.0\",\"timestamp\":\"2024-05-01T09:00:00\",\"correlationId\":\"c" +
           id + "\",\"request\":{\"title\":\"" + title + "\",\"content\":\"" + content + "\"}}";
}
