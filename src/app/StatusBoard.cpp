// The window's side of the MQTT link: settings, log lines and the status
// board that messages drive.
#include "app/TavrinDlg.h"

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

int PaneOfKind(int nKind)
{
    switch (nKind)
    {
    case LOG_MQTT:
        return 1;
    case LOG_SUBSCRIBE:
        return 3;
    case LOG_PUBLISH:
        return 2;
    case LOG_LIBRARY:
        return 4;
    default:
        return 0;
    }
}
}

int CTavrinDlg::GetConfigInt(const std::string& section, const std::string& key, int nDefault)
{
    return m_profile.EnsureInt(Utf8ToWide(section).c_str(), Utf8ToWide(key).c_str(), nDefault);
}

std::string CTavrinDlg::GetConfigString(const std::string& section, const std::string& key,
                                        const std::string& strDefault)
{
    return WideToUtf8(m_profile.EnsureString(Utf8ToWide(section).c_str(), Utf8ToWide(key).c_str(),
                                             Utf8ToWide(strDefault).c_str()));
}

void CTavrinDlg::AddLog(int nKind, const std::string& text)
{
    // c_str: only the text before an embedded NUL is shown.
    AppendLog(PaneOfKind(nKind), text.c_str());
}

void CTavrinDlg::OnMessage(const std::string& topic, const Json::Value& root)
{
    CStatusUpdate update = InterpretMessage(topic, root);
    if (!update.bAccepted)
        return;
    m_bReceived = 1;
    m_tReceive = std::time(nullptr);
    UpdateReceiveTime();
    for (const SStatusText& status : update.texts)
        SetBoardText(FieldControlId(status.field), Utf8ToWide(status.text));
    AppendLog(0, update.strContentLine.c_str());
}

void CTavrinDlg::UpdateReceiveTime()
{
    std::string text = FormatReceiveTime(m_bReceived != 0, m_tReceive, std::time(nullptr));
    SetBoardText(IDC_RECEIVE_TIME, Utf8ToWide(text));
}

void CTavrinDlg::SetBoardText(int nID, const std::wstring& text)
{
    int i = nID - BOARD_FIRST;
    if (m_nScreenBatch == 0 || i < 0 || i >= BOARD_COUNT)
    {
        SetDlgItemText(nID, text);
        return;
    }
    m_boardText[i] = text;
    m_bBoardText[i] = true;
}

CTavrinDlg::CScreenBatch::CScreenBatch(CTavrinDlg& dlg) : m_dlg(dlg)
{
    ++m_dlg.m_nScreenBatch;
    m_dlg.m_panes.BeginBatch();
}

CTavrinDlg::CScreenBatch::~CScreenBatch()
{
    // The board first: drawing a pane again can take milliseconds.
    if (--m_dlg.m_nScreenBatch == 0)
        for (int i = 0; i < BOARD_COUNT; ++i)
            if (m_dlg.m_bBoardText[i])
            {
                m_dlg.m_bBoardText[i] = false;
                m_dlg.SetDlgItemText(BOARD_FIRST + i, m_dlg.m_boardText[i]);
            }
    m_dlg.m_panes.EndBatch();
}
