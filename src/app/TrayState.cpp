#include "app/TrayState.h"

#include "app/TrayFacts.h"
#include "status/StatusTexts.h"

#include <windows.h>

#include <algorithm>
#include <cstring>
#include <cwchar>

namespace
{
// The tip's and the balloons' texts.
const wchar_t APP_NAME[] = L"Tavrin";
const wchar_t DOWN_SINCE[] = L"연결 끊김: %ls부터";
const wchar_t REASON[] = L"원인: %ls";
const wchar_t ATTEMPTING[] = L"연결 시도 중";
const wchar_t LAST_RECEIVE[] = L"마지막 수신: %ls";
const wchar_t NO_RECEIVE[] = L"마지막 수신: 없음";
const wchar_t LINK_BACK[] = L"다시 연결됨";
const wchar_t NEW_CALL[] = L"새 환자 호출";
const wchar_t ELLIPSIS = L'\u2026';

const struct
{
    ELinkFailure eFailure;
    const wchar_t* text;
} FAILURE_WORDS[] = {
    {LINK_FAIL_NONE, L""},
    {LINK_FAIL_LOOKUP, L"주소를 찾지 못함"},
    {LINK_FAIL_NO_ANSWER, L"응답 없음"},
    {LINK_FAIL_UNREACHABLE, L"연결할 수 없음"},
    {LINK_FAIL_REFUSED, L"연결 거부"},
    {LINK_FAIL_BAD_LOGIN, L"로그인 실패"},
    {LINK_FAIL_NOT_AUTHORISED, L"권한 없음"},
    {LINK_FAIL_TLS, L"보안 연결 실패"},
    {LINK_FAIL_LOST, L"연결이 끊어짐"},
};

std::wstring Format(const wchar_t* pszFormat, const std::wstring& arg)
{
    wchar_t sz[256];
    int n = std::swprintf(sz, 256, pszFormat, arg.c_str());
    return n > 0 ? std::wstring(sz, static_cast<size_t>(n)) : std::wstring();
}

// The time of day, with the date in front when it is not today's.
std::wstring ClockText(std::time_t t, std::time_t tNow)
{
    std::tm local = {}, today = {};
    if (localtime_s(&local, &t) != 0 || localtime_s(&today, &tNow) != 0)
        return std::wstring();
    bool bToday = local.tm_year == today.tm_year && local.tm_yday == today.tm_yday;
    wchar_t sz[32];
    size_t n = std::wcsftime(sz, 32, bToday ? L"%H:%M:%S" : L"%m-%d %H:%M", &local);
    return std::wstring(sz, n);
}

// The call count as the board shows it for no open call.
std::wstring NoCallsText()
{
    std::string text = StatusTexts::CALL_COUNT_FORMAT;
    text.replace(text.find("%s"), 2, "0");
    int n = MultiByteToWideChar(CP_UTF8, 0, text.c_str(), -1, nullptr, 0);
    std::wstring wide(n > 0 ? n - 1 : 0, L'\0');
    if (n > 1)
        MultiByteToWideChar(CP_UTF8, 0, text.c_str(), -1, &wide[0], n);
    return wide;
}
}

const wchar_t* LinkFailureShortText(ELinkFailure eFailure)
{
    for (const auto& row : FAILURE_WORDS)
        if (row.eFailure == eFailure)
            return row.text;
    return L"";
}

// The action's text closes the detail, "[name] 님 (추가)", and no other
// action's text ends in this one's.
bool IsNewCallDetail(const std::string& callDetail)
{
    for (const StatusTexts::SWordText& action : StatusTexts::CALL_ACTIONS)
        if (std::strcmp(action.word, "add") == 0)
        {
            std::string tail = std::string(" (") + action.text + ")";
            return callDetail.size() >= tail.size()
                   && callDetail.compare(callDetail.size() - tail.size(), tail.size(), tail) == 0;
        }
    return false;
}

std::wstring FitLines(std::vector<std::wstring> lines, size_t nMax)
{
    for (;; lines.pop_back())
    {
        size_t nLongest = 0;
        for (const std::wstring& line : lines)
            nLongest = std::max(nLongest, line.size());
        // The longest length that every line may keep, so that the long
        // lines share the cut rather than one losing all.
        for (size_t nKeep = nLongest; nKeep >= 1; --nKeep)
        {
            size_t nLength = lines.empty() ? 0 : lines.size() - 1;
            for (const std::wstring& line : lines)
                nLength += std::min(line.size(), nKeep);
            if (nLength > nMax)
                continue;
            std::wstring text;
            for (size_t i = 0; i < lines.size(); ++i)
            {
                std::wstring line = lines[i];
                if (line.size() > nKeep)
                {
                    size_t n = nKeep - 1;
                    if (n > 0 && IS_HIGH_SURROGATE(line[n - 1]))
                        --n;
                    line.resize(n);
                    line += ELLIPSIS;
                }
                text += (i == 0 ? L"" : L"\n") + line;
            }
            return text;
        }
        if (lines.empty())
            return std::wstring();
    }
}

CTrayState::CTrayState(int64_t nStartMs, std::time_t tStart)
    : m_nDownSinceMs(nStartMs), m_tDownSince(tStart), m_tNow(tStart)
{
}

void CTrayState::SetLink(bool bConnected, bool bAttempting, ELinkFailure eFailure, int64_t nNowMs, std::time_t tNow)
{
    m_tNow = tNow;
    m_bAttempting = bAttempting;
    if (bConnected)
    {
        m_bLinkUp = m_bEverUp = true;
        m_eFailure = LINK_FAIL_NONE;
        m_bShownDown = false;
        if (m_bDownBalloonShown)
        {
            m_bDownBalloonShown = false;
            Queue({LINK_BACK});
        }
        return;
    }
    if (eFailure != LINK_FAIL_NONE)
        m_eFailure = eFailure;
    if (m_bLinkUp)
    {
        m_bLinkUp = false;
        m_nDownSinceMs = nNowMs;
        m_tDownSince = tNow;
    }
    int64_t nDownMs = nNowMs - m_nDownSinceMs;
    if (nDownMs >= Tray::DOWN_SHOWN_AFTER_MS)
        m_bShownDown = true;
    if (m_bShownDown && m_bBalloons && !m_bDownBalloonShown && nDownMs >= int64_t(m_nDownGraceSec) * 1000
        && (!m_bDownBalloonEver || nNowMs - m_nDownBalloonMs >= Tray::BALLOON_GAP_MS))
    {
        m_bDownBalloonShown = m_bDownBalloonEver = true;
        m_nDownBalloonMs = nNowMs;
        std::vector<std::wstring> lines = {DownLine()};
        if (m_eFailure != LINK_FAIL_NONE)
            lines.push_back(ReasonLine());
        Queue(lines);
    }
}

void CTrayState::SetBalloons(bool bOn, int nDownGraceSec)
{
    m_bBalloons = bOn;
    m_nDownGraceSec = std::max(nDownGraceSec, 0);
}

void CTrayState::OnNewCall(const std::wstring& callDetail, const std::wstring& callCount, int64_t nNowMs)
{
    if (!m_bBalloons || (m_bCallBalloonEver && nNowMs - m_nCallBalloonMs < Tray::BALLOON_GAP_MS))
        return;
    m_bCallBalloonEver = true;
    m_nCallBalloonMs = nNowMs;
    Queue({NEW_CALL, callDetail, callCount});
}

void CTrayState::Queue(std::vector<std::wstring> lines)
{
    m_balloons.push_back({APP_NAME, FitLines(std::move(lines), Tray::BALLOON_TEXT_MAX_CHARS)});
}

std::vector<STrayBalloon> CTrayState::TakeBalloons()
{
    std::vector<STrayBalloon> balloons;
    balloons.swap(m_balloons);
    return balloons;
}

std::wstring CTrayState::DownLine() const
{
    return Format(DOWN_SINCE, ClockText(m_tDownSince, m_tNow));
}

std::wstring CTrayState::ReasonLine() const
{
    return Format(REASON, LinkFailureShortText(m_eFailure));
}

std::wstring CTrayState::Tip() const
{
    std::vector<std::wstring> lines = {APP_NAME};
    if (m_bShownDown)
    {
        lines.push_back(DownLine());
        if (m_eFailure != LINK_FAIL_NONE)
            lines.push_back(ReasonLine());
        else if (m_bAttempting)
            lines.push_back(ATTEMPTING);
        return FitLines(lines, Tray::TIP_MAX_CHARS);
    }
    std::wstring robot = m_board.robotStatus;
    if (!m_board.robotDetail.empty())
        robot += (robot.empty() ? L"" : L" ") + m_board.robotDetail;
    if (!robot.empty())
        lines.push_back(robot);
    if (!m_board.callCount.empty() && m_board.callCount != NoCallsText())
        lines.push_back(m_board.callCount);
    lines.push_back(m_board.bReceived ? Format(LAST_RECEIVE, ClockText(m_board.tReceive, m_tNow)) : NO_RECEIVE);
    return FitLines(lines, Tray::TIP_MAX_CHARS);
}
