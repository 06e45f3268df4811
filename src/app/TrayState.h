#pragma once

#include "mqtt/LinkFailure.h"

#include <cstdint>
#include <ctime>
#include <string>
#include <vector>

// Which picture the notification-area icon shows.
enum ETrayIcon
{
    TRAY_ICON_LINK_UP,   // icon 128, as ever
    TRAY_ICON_LINK_DOWN, // the same with the mark of a cut link in its corner
};

struct STrayBalloon
{
    std::wstring title;
    std::wstring text;
};

// The board's fields as they show, for the tip.
struct STrayBoard
{
    std::wstring robotStatus;
    std::wstring robotDetail;
    std::wstring callCount;
    bool bReceived = false;
    std::time_t tReceive = 0;
};

// What the notification-area icon tells: its picture, its tip and the
// balloons that are due. It is fed the link's state after every poll, the
// board, the settings and the time, and asks nothing of Windows, so tests
// drive it with a clock of their own. nNowMs is a monotonic millisecond
// clock; tNow the calendar time that the texts show.
class CTrayState
{
public:
    CTrayState(int64_t nStartMs, std::time_t tStart);

    void SetLink(bool bConnected, bool bAttempting, ELinkFailure eFailure, int64_t nNowMs, std::time_t tNow);
    void SetBoard(const STrayBoard& board) { m_board = board; }
    // The balloon settings; with bOn false no balloon is ever due.
    void SetBalloons(bool bOn, int nDownGraceSec);
    // A message added a patient call: the board's new call texts.
    void OnNewCall(const std::wstring& callDetail, const std::wstring& callCount, int64_t nNowMs);

    ETrayIcon Icon() const { return m_bShownDown ? TRAY_ICON_LINK_DOWN : TRAY_ICON_LINK_UP; }
    // At most Tray::TIP_MAX_CHARS, never ending in half a surrogate pair.
    std::wstring Tip() const;
    // The balloons due since the last call, oldest first.
    std::vector<STrayBalloon> TakeBalloons();

private:
    void Queue(std::vector<std::wstring> lines);
    std::wstring DownLine() const;
    std::wstring ReasonLine() const;

    STrayBoard m_board;
    bool m_bLinkUp = false;
    bool m_bEverUp = false;
    bool m_bShownDown = true; // what the icon and the tip say
    bool m_bAttempting = false;
    ELinkFailure m_eFailure = LINK_FAIL_NONE; // the last, kept while trying again
    int64_t m_nDownSinceMs;
    std::time_t m_tDownSince;
    std::time_t m_tNow;
    bool m_bBalloons = false;
    int m_nDownGraceSec = 0;
    bool m_bDownBalloonShown = false; // for this outage
    bool m_bDownBalloonEver = false;
    int64_t m_nDownBalloonMs = 0;
    bool m_bCallBalloonEver = false;
    int64_t m_nCallBalloonMs = 0;
    std::vector<STrayBalloon> m_balloons;
};

// A few Korean words for why the link is not up ("응답 없음"); empty for none.
const wchar_t* LinkFailureShortText(ELinkFailure eFailure);
// Whether a CallDetail text (UTF-8) is that of a call just added.
bool IsNewCallDetail(const std::string& callDetail);
// The lines joined by line breaks within nMax UTF-16 units: the longest lines
// are cut to one length and end in "…", never inside a surrogate pair; when
// even that cannot fit, the last lines go.
std::wstring FitLines(std::vector<std::wstring> lines, size_t nMax);
