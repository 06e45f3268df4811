#pragma once

#include "check/PayloadCheck.h"

#include <ctime>
#include <string>

namespace Json { class Value; }

// The checker's words for one payload. All text is UTF-8, as the board shows it.

// For people: a header line with the verdict, then what the program shows.
// tNow stands for the time of arrival in the receive-time text.
std::string ReportText(const CPayloadCheck& check, const std::string& source, std::time_t tNow);

// For scripts: the same facts as one JSON object.
Json::Value ReportObject(const CPayloadCheck& check);
// One line of JSON with its newline.
std::string JsonLine(const Json::Value& value);

// One dated line per message, as "watch" prints it.
std::string WatchLine(const CPayloadCheck& check, std::time_t tArrival, bool bRetained);

// The text as a log pane shows it: a text longer than the pane's line is cut
// there and marked with its full size.
std::string PaneLine(const std::string& text);

// The text on one terminal line: control characters as escapes.
std::string Displayed(const std::string& text);

// "2024-05-02 14:03:07", local time.
std::string DateTimeText(std::time_t t);
