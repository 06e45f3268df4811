#pragma once

#include "mqtt/LinkFacts.h"

#include <string>

// The topic that the program interprets.
inline constexpr const char* ROBOT_TOPIC = Link::TOPIC_MESSAGE;

// A message of the robot system's server with a valid envelope, numbered
// nId ("id" and "correlationId"). Title and content go in as given, so
// they may hold JSON escapes or bytes that are not UTF-8.
std::string RobotMessage(const std::string& title, const std::string& content, long long nId = 1);
