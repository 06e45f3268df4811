#include "app/StatusBoard.h"

#include "framework/CurrentTime.h"
#include "framework/Dpi.h"
#include "framework/SystemError.h"
#include "framework/TextConvert.h"
#include "status/ReceiveTime.h"
#include "status/StatusInterpretation.h"

#include <utility>

namespace
{
int FieldControlId(EStatusField field)
{
    switch (field)
    {
    case FIELD_ROBOT_STATUS:
        return IDC_ROBOT_STATUS;
    case FIELD_ROBOT_DETAIL:
        return IDC_ROBOT_DETAIL;
    case FIELD_CALL_COUNT:
        return IDC_CALL_COUNT;
    case FIELD_CALL_DETAIL:
        return IDC_CALL_DETAIL;
    }
    return 0;
}
}

void CStatusBoard::Create()
{
    m_tReceive = CurrentTime();
    LOGFONTW lf = {};
    GetObjectW(m_dlg.GetFont(), sizeof(lf), &lf);
    SetLargeFont(lf, GetWindowDpi(m_dlg.GetSafeHwnd()));
}

void CStatusBoard::SetLargeFont(LOGFONTW lf, UINT nDpi)
{
    // The dialog's font, LARGE_FONT_PX high at 100 %, on the robot field alone.
    lf.lfHeight = -ScaleByDpi(LARGE_FONT_PX, nDpi);
    lf.lfWidth = 0;
    CFont font;
    if (!font.CreateFontIndirect(&lf))
    {
        TraceLastError("CreateFontIndirectW");
        return;
    }
    ::SendMessageW(m_dlg.GetDlgItem(IDC_ROBOT_STATUS), WM_SETFONT, reinterpret_cast<WPARAM>(font.GetSafeHandle()),
                   TRUE);
    // The field no longer uses the old one.
    std::swap(m_fontLarge.m_hObject, font.m_hObject);
}

void CStatusBoard::ShowUpdate(const CStatusUpdate& update)
{
    m_bReceived = 1;
    m_tReceive = CurrentTime();
    RefreshReceiveTime(m_tReceive);
    for (const SStatusText& status : update.texts)
        SetText(FieldControlId(status.field), status.text);
}

void CStatusBoard::UpdateReceiveTime()
{
    RefreshReceiveTime(CurrentTime());
}

void CStatusBoard::RefreshReceiveTime(std::time_t tNow)
{
    m_tRefreshed = tNow;
    if (m_nBatch > 0)
        m_bTimePending = true;
    else
        Show(IDC_RECEIVE_TIME - FIRST_FIELD, FormatReceiveTime(m_bReceived != 0, m_tReceive, m_tRefreshed));
}

void CStatusBoard::SetText(int nID, const std::string& text)
{
    int i = nID - FIRST_FIELD;
    if (i < 0 || i >= FIELD_COUNT)
        return;
    if (m_nBatch == 0)
    {
        Show(i, text);
        return;
    }
    m_pending[i] = text;
}

void CStatusBoard::EndBatch()
{
    if (m_nBatch == 0 || --m_nBatch > 0)
        return;
    if (m_bTimePending)
    {
        m_bTimePending = false;
        m_pending[IDC_RECEIVE_TIME - FIRST_FIELD] = FormatReceiveTime(m_bReceived != 0, m_tReceive, m_tRefreshed);
    }
    for (int i = 0; i < FIELD_COUNT; ++i)
        if (m_pending[i])
        {
            Show(i, *m_pending[i]);
            m_pending[i].reset();
        }
}

void CStatusBoard::Show(int i, const std::string& text)
{
    std::wstring wide = Utf8ToWide(text);
    if (m_shown[i] == wide)
        return;
    m_dlg.SetDlgItemText(FIRST_FIELD + i, wide);
    m_shown[i] = std::move(wide);
}

std::wstring CStatusBoard::Shown(int nID) const
{
    int i = nID - FIRST_FIELD;
    return i >= 0 && i < FIELD_COUNT && m_shown[i] ? *m_shown[i] : std::wstring();
}
