#pragma once

#include <cstddef>

// Every text that the status board shows, in one place (UTF-8). In each format
// every "%s" takes its argument unchanged, in order.
namespace StatusTexts
{
enum ETitleKind
{
    TITLE_ROBOT, // RobotStatus gets the row's text, RobotDetail empty text
    TITLE_GUIDE, // RobotStatus GUIDE_STATUS_FORMAT, RobotDetail GUIDE_DETAIL_FORMAT
    TITLE_CALL,  // CallCount CALL_COUNT_FORMAT, CallDetail CALL_DETAIL_FORMAT
};

struct STitleRow
{
    const char* keyword;   // the whole first token, case-sensitive
    size_t nFewestTokens;  // a shorter title changes nothing
    ETitleKind kind;
    const char* text;
};

// Tried in this order; the first row whose keyword matches decides.
inline constexpr STitleRow TITLE_ROWS[] = {
    {"idle", 1, TITLE_ROBOT, "대기 중"},
    {"guide", 3, TITLE_GUIDE, "안내 중"},
    {"return", 1, TITLE_ROBOT, "복귀 중"},
    {"accept", 1, TITLE_ROBOT, "접수 중"},
    {"call", 4, TITLE_CALL, ""},
};

// guide:<phase>:<name>
inline constexpr char GUIDE_STATUS_FORMAT[] = "%s(%s)"; // row text, phase text
inline constexpr char GUIDE_DETAIL_FORMAT[] = "[%s]님";  // name

// call:<remaining>:<action>:<name>
inline constexpr char CALL_COUNT_FORMAT[] = "남은 호출 수: %s개"; // remaining, as spelt
inline constexpr char CALL_DETAIL_FORMAT[] = "[%s] 님 (%s)";     // name, action text

struct SWordText
{
    const char* word;
    const char* text;
};

// Token 2 of a "guide" title; any other phase gives empty text.
inline constexpr SWordText GUIDE_PHASES[] = {
    {"start", "시작"},
    {"call", "호출"},
    {"guide", "안내"},
    {"abort", "중지"},
    {"ok", "완료"},
};

// Token 3 of a "call" title; any other action gives empty text.
inline constexpr SWordText CALL_ACTIONS[] = {
    {"add", "추가"},
    {"remove", "삭제"},
    {"cancel", "취소"},
    {"ignore", "무시"},
};
}
