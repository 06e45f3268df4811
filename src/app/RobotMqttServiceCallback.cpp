// The window as the MQTT client's callback: settings from the INI file, log
// lines into their panes, and messages onto the status board.
#include "app/TavrinDlg.h"

#include "framework/TextConvert.h"
#include "status/StatusInterpretation.h"

namespace
{
int PaneOfKind(int nKind)
{
    switch (nKind)
    {
    case LOG_MQTT:
        return PANE_MQTT;
    case LOG_SUBSCRIBE:
        return PANE_SUBSCRIBE;
    case LOG_PUBLISH:
        return PANE_PUBLISH;
    case LOG_LIBRARY:
        return PANE_LOG;
    default:
        return PANE_GENERAL;
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

void CTavrinDlg::SetConfigString(const std::string& section, const std::string& key, const std::string& value)
{
    m_profile.SetString(Utf8ToWide(section).c_str(), Utf8ToWide(key).c_str(), Utf8ToWide(value).c_str());
}

void CTavrinDlg::AddLog(int nKind, const std::string& text)
{
    // c_str: only the text before an embedded NUL is shown.
    m_panes.AppendLog(PaneOfKind(nKind), text.c_str());
}

void CTavrinDlg::OnMessage(const std::string& topic, const Json::Value& root)
{
    CStatusUpdate update = InterpretMessage(topic, root);
    if (!update.bAccepted)
        return;
    m_board.ShowUpdate(update);
    m_panes.AppendLog(PANE_GENERAL, update.strContentLine.c_str());
    // A call just added may be worth a balloon; a call title writes both fields.
    const SStatusText* pCount = nullptr;
    for (const SStatusText& status : update.texts)
        if (status.field == FIELD_CALL_COUNT)
            pCount = &status;
        else if (status.field == FIELD_CALL_DETAIL && IsNewCallDetail(status.text))
            m_trayState.OnNewCall(Utf8ToWide(status.text), pCount ? Utf8ToWide(pCount->text) : std::wstring(),
                                  static_cast<int64_t>(GetTickCount64()));
}
