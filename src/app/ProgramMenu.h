#pragma once

#include "framework/CmdUI.h"
#include "framework/Dialog.h"

#include <string>

// The program menu, in the menu bar and as the tray popup: its commands and
// the states its items show, all from one table.
class CProgramMenu : public CCmdTarget
{
public:
    // The INI file that "INI 파일 열기" opens lives at strIniPath.
    CProgramMenu(CDialog& dlg, const std::wstring& strIniPath) : m_dlg(dlg), m_strIniPath(strIniPath) {}

    // False for a command that is not the menu's.
    bool OnCommand(UINT nID);
    bool OnUpdateCommand(CCmdUI& cmdUI) override;
    bool HandlesCommand(UINT nID) const override;

private:
    struct SCommand;
    static const SCommand COMMANDS[];
    static const SCommand* Find(UINT nID);

    void OnOpenIni();
    void OnShowHide();
    void OnStartup();
    void OnExit();

    bool IsIniFilePresent() const;
    bool IsWindowShown() const;
    bool IsStartupOn() const;

    CDialog& m_dlg;
    const std::wstring& m_strIniPath;
};
