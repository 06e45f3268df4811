#pragma once

#include "config/PrivateProfile.h"
#include "framework/DialogEx.h"
#include "framework/Font.h"
#include "framework/ListBox.h"
#include "framework/TabCtrl.h"
#include "logpanes/LogPanes.h"
#include "mqtt/RobotMqttService.h"
#include "mqtt/RobotMqttServiceCallback.h"
#include "res/resource.h"

#include <shellapi.h>

#include <cstdint>
#include <ctime>

// The program's one window: the status board, the log panes, the tray icon
// and the program menu. It owns the MQTT client and is its callback.
class CTavrinDlg : public CDialogEx, public CRobotMqttServiceCallback
{
public:
    enum { IDD = IDD_TAVRIN_DIALOG };
    enum
    {
        TIMER_POLL = 10005,        // 30 ms
        TIMER_RECEIVE_TIME = 10006, // 1000 ms
    };

    CTavrinDlg();
    ~CTavrinDlg() override;

    // CRobotMqttServiceCallback; all text is UTF-8.
    int GetConfigInt(const std::string& section, const std::string& key, int nDefault) override;
    std::string GetConfigString(const std::string& section, const std::string& key,
                                const std::string& strDefault) override;
    void AddLog(int nKind, const std::string& text) override;
    void OnMessage(const std::string& topic, const Json::Value& root) override;

    void AppendLog(int nPane, const char* pszText);
    void ShowCurrentPane();
    void UpdateHorizontalExtent();
    void UpdateReceiveTime();

    const std::wstring& GetProfilePath() const { return m_profile.m_strPath; }

    // While one lives, the screen is brought up to date once, when it ends:
    // each pane that got lines is drawn once and each board field gets its
    // last text. The timer handler holds one around every poll, which may
    // take in hundreds of messages. They nest.
    class CScreenBatch
    {
    public:
        explicit CScreenBatch(CTavrinDlg& dlg);
        ~CScreenBatch();
        CScreenBatch(const CScreenBatch&) = delete;
        CScreenBatch& operator=(const CScreenBatch&) = delete;

    private:
        CTavrinDlg& m_dlg;
    };

protected:
    void DoDataExchange(CDataExchange* pDX) override;
    BOOL OnInitDialog() override;
    void OnCancel() override;
    bool OnWndMsg(UINT message, WPARAM wParam, LPARAM lParam, LRESULT& result) override;
    bool OnUpdateCommand(CCmdUI& cmdUI) override;
    bool HandlesCommand(UINT nID) const override;

private:
    bool OnCommand(WPARAM wParam);
    bool OnSysCommand(UINT nID);
    bool OnPaint();
    void OnDestroy();
    void OnTimer(UINT_PTR nIDEvent);
    void OnTrayNotify(WPARAM wParam, LPARAM lParam);
    void OnInitMenuPopup(HMENU hPopup);
    void OnTabSelChange(NMHDR* pNMHDR, LRESULT* pResult);
    void OnPaneDblClk(UINT nID);
    void OnClear();
    void OnToEnd();
    void OnShowHide();
    void OnOpenIni();
    void OnExit();

    void AddAboutMenuItem();
    void CreateLargeFont();
    // A status board field, by control id, now or at the end of the batch.
    void SetBoardText(int nID, const std::wstring& text);

    enum { BOARD_FIRST = IDC_ROBOT_STATUS, BOARD_COUNT = IDC_RECEIVE_TIME - IDC_ROBOT_STATUS + 1 };

    CRobotMqttService m_mqtt;
    CPrivateProfile m_profile;
    NOTIFYICONDATAW m_nid{};
    int32_t m_bReceived = 0;
    std::time_t m_tReceive = 0;
    HICON m_hIcon = nullptr;
    CFont m_fontLarge;
    CTabCtrl m_tabLog;
    CListBox m_listLog[CLogPanes::PANE_COUNT];
    CLogPanes m_panes;
    int m_nScreenBatch = 0;
    std::wstring m_boardText[BOARD_COUNT]; // waiting for the end of the batch
    bool m_bBoardText[BOARD_COUNT] = {};
};
