#include "app/StatusBoard.h"

#include "framework/SystemError.h"
#include "framework/TextConvert.h"
#include "status/ReceiveTime.h"
#include "status/StatusInterpretation.h"

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
    m_tReceive = std::time(nullptr);

    // The dialog's font, 48 pixels high, on the robot field alone.
    LOGFONTW lf = {};
    GetObjectW(m_dlg.GetFont(), sizeof(lf), &lf);
    lf.lfHeight = -48;
    if (!m_fontLarge.CreateFontIndirect(&lf))
        TraceLastError("CreateFontIndirectW");
    ::SendMessageW(m_dlg.GetDlgItem(IDC_ROBOT_STATUS), WM_SETFONT,
                   reinterpret_cast<WPARAM>(m_fontLarge.GetSafeHandle()), TRUE);
}

void CStatusBoard::ShowUpdate(const CStatusUpdate& update)
{
    m_bReceived = 1;
    m_tReceive = std::time(nullptr);
    UpdateReceiveTime();
    for (const SStatusText& status : update.texts)
        SetText(FieldControlId(status.field), Utf8ToWide(status.text));
}

void CStatusBoard::UpdateReceiveTime()
{
    std::string text = FormatReceiveTime(m_bReceived != 0, m_tReceive, std::time(nullptr));
    SetText(IDC_RECEIVE_TIME, Utf8ToWide(text));
}

void CStatusBoard::SetText(int nID, const std::wstring& text)
{
    int i = nID - FIRST_FIELD;
    if (m_nBatch == 0 || i < 0 || i >= FIELD_COUNT)
    {
        m_dlg.SetDlgItemText(nID, text);
        return;
    }
    m_text[i] = text;
    m_bPending[i] = true;
}

void CStatusBoard::EndBatch()
{
    if (m_nBatch == 0 || --m_nBatch > 0)
        return;
    for (int i = 0; i < FIELD_COUNT; ++i)
        if (m_bPending[i])
        {
            m_bPending[i] = false;
            m_dlg.SetDlgItemText(FIRST_FIELD + i, m_text[i]);
        }
}
