#pragma once

#include "framework/Font.h"
#include "framework/Wnd.h"
#include "res/resource.h"

#include <cstdint>
#include <ctime>
#include <optional>
#include <string>

struct CStatusUpdate;

// The status board: the robot and patient-call fields that messages write,
// and the receive-time indicator. Its fields are controls of the window's
// template; this writes them.
class CStatusBoard
{
public:
    explicit CStatusBoard(CWnd& dlg) : m_dlg(dlg) {}

    // The large font of the robot field, and the start of the receive time.
    void Create();
    // The robot field's font from the dialog's font lf, for the scale nDpi.
    void SetLargeFont(LOGFONTW lf, UINT nDpi);
    enum { LARGE_FONT_PX = 48 }; // at 100 %
    // An accepted message: its time of receipt, the indicator, its texts.
    void ShowUpdate(const CStatusUpdate& update);
    void UpdateReceiveTime();

    // While a batch is open, fields get their texts when it ends, each once
    // with its last text; the receive time is formatted then, as its last
    // refresh would have shown it. Calls nest; only the outermost end writes.
    void BeginBatch() { ++m_nBatch; }
    void EndBatch();

    // What a field shows now (outside a batch), for the tray's tip.
    std::wstring Shown(int nID) const;
    bool HasReceived() const { return m_bReceived != 0; }
    std::time_t ReceiveTime() const { return m_tReceive; }

private:
    enum { FIRST_FIELD = IDC_ROBOT_STATUS, FIELD_COUNT = IDC_RECEIVE_TIME - IDC_ROBOT_STATUS + 1 };

    void RefreshReceiveTime(std::time_t tNow);
    void SetText(int nID, const std::string& text);
    // Writes the field only when its text changes: each write redraws it.
    void Show(int i, const std::string& text);

    CWnd& m_dlg;
    int32_t m_bReceived = 0;
    std::time_t m_tReceive = 0;
    std::time_t m_tRefreshed = 0; // the time of the indicator's last refresh
    CFont m_fontLarge;
    int m_nBatch = 0;
    std::optional<std::string> m_pending[FIELD_COUNT]; // UTF-8, waiting for the end of the batch
    bool m_bTimePending = false;
    std::optional<std::wstring> m_shown[FIELD_COUNT]; // what each field shows
};
