#pragma once

#include "app/ProgramMenu.h"
#include "app/StatusBoard.h"
#include "app/TrayIcon.h"
#include "app/TrayState.h"
#include "app/WindowScale.h"
#include "config/PrivateProfile.h"
#include "framework/DialogEx.h"
#include "logpanes/LogPanes.h"
#include "mqtt/RobotMqttService.h"
#include "mqtt/RobotMqttServiceCallback.h"
#include "res/resource.h"

// The program's one window. It routes messages to its parts (the status
// board, the log panes, the tray icon, the program menu), owns them and the
// MQTT client, and is the client's callback.
class CTavrinDlg : public CDialogEx, public CRobotMqttServiceCallback
{
public:
    enum { IDD = IDD_TAVRIN_DIALOG };

    CTavrinDlg();
    ~CTavrinDlg() override;

    // CRobotMqttServiceCallback; all text is UTF-8.
    int GetConfigInt(const std::string& section, const std::string& key, int nDefault) override;
    std::string GetConfigString(const std::string& section, const std::string& key,
                                const std::string& strDefault) override;
    void SetConfigString(const std::string& section, const std::string& key, const std::string& value) override;
    void AddLog(int nKind, const std::string& text) override;
    void OnMessage(const std::string& topic, const Json::Value& root) override;

    CStatusBoard& Board() { return m_board; }
    CTrayIcon& Tray() { return m_tray; }
    CLogPanes& Panes() { return m_panes; }
    const std::wstring& GetProfilePath() const { return m_profile.m_strPath; }

    // While one lives, the screen is brought up to date once, when it ends:
    // each board field gets its last text and each pane that got lines is
    // drawn once. The timer handler holds one around every poll, which may
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
    void OnOK() override;
    void OnCancel() override;
    bool OnWndMsg(UINT message, WPARAM wParam, LPARAM lParam, LRESULT& result) override;

private:
    bool OnCommand(WPARAM wParam);
    bool OnSysCommand(UINT nID);
    bool OnPaint();
    void OnDestroy();
    void OnTimer(UINT_PTR nIDEvent);
    void AddAboutMenuItem();
    // The link's state, the board and the settings to the tray: its
    // picture at once, its tip once a second, its balloons when due.
    void UpdateTray(bool bEverySecond);
    void ReadTraySettings();
    // WM_DPICHANGED: the window, its fonts and its icons for the new scale.
    void OnDpiChanged(UINT nDpi, const RECT* pSuggested);
    void SetWindowIcons(UINT nDpi);

    CRobotMqttService m_mqtt;
    CPrivateProfile m_profile;
    HICON m_hIcon = nullptr;
    HICON m_hIconSmall = nullptr; // at the window's scale
    HICON m_hIconBig = nullptr;
    CWindowScale m_scale;
    CStatusBoard m_board;
    CLogPanes m_panes;
    CTrayState m_trayState;
    CTrayIcon m_tray;
    CProgramMenu m_menu;
};
