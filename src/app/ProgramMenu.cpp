#include "app/ProgramMenu.h"

#include "app/StartupRegistration.h"
#include "framework/SystemError.h"
#include "res/resource.h"

#include <shellapi.h>
#include <shlwapi.h>

// What a command's menu item shows, and the question that decides it.
struct CProgramMenu::SCommand
{
    enum EState { NO_STATE, CHECKED_WHEN, ENABLED_WHEN };

    UINT nID;
    void (CProgramMenu::*pfnCommand)();
    EState state;
    bool (CProgramMenu::*pfnQuestion)() const;
};

const CProgramMenu::SCommand CProgramMenu::COMMANDS[] = {
    {ID_OPEN_INI, &CProgramMenu::OnOpenIni, SCommand::ENABLED_WHEN, &CProgramMenu::IsIniFilePresent},
    {ID_SHOW_HIDE, &CProgramMenu::OnShowHide, SCommand::CHECKED_WHEN, &CProgramMenu::IsWindowShown},
    {ID_STARTUP, &CProgramMenu::OnStartup, SCommand::CHECKED_WHEN, &CProgramMenu::IsStartupOn},
    {ID_APP_EXIT, &CProgramMenu::OnExit, SCommand::NO_STATE, nullptr},
};

const CProgramMenu::SCommand* CProgramMenu::Find(UINT nID)
{
    for (const SCommand& command : COMMANDS)
        if (command.nID == nID)
            return &command;
    return nullptr;
}

bool CProgramMenu::OnCommand(UINT nID)
{
    const SCommand* pCommand = Find(nID);
    if (!pCommand)
        return false;
    (this->*pCommand->pfnCommand)();
    return true;
}

bool CProgramMenu::OnUpdateCommand(CCmdUI& cmdUI)
{
    const SCommand* pCommand = Find(cmdUI.m_nID);
    if (!pCommand || pCommand->state == SCommand::NO_STATE)
        return false;
    bool bAnswer = (this->*pCommand->pfnQuestion)();
    if (pCommand->state == SCommand::CHECKED_WHEN)
        cmdUI.SetCheck(bAnswer ? 1 : 0);
    else
        cmdUI.Enable(bAnswer);
    return true;
}

bool CProgramMenu::HandlesCommand(UINT nID) const
{
    return Find(nID) != nullptr;
}

void CProgramMenu::OnOpenIni()
{
    // ShellExecuteW reports failure as a value of 32 or less.
    HINSTANCE hResult = ShellExecuteW(m_dlg.GetSafeHwnd(), L"open", m_strIniPath.c_str(), nullptr, nullptr,
                                      SW_SHOWNORMAL);
    if (reinterpret_cast<INT_PTR>(hResult) <= 32)
        TraceLastError("ShellExecuteW(open, INI file)");
}

void CProgramMenu::OnShowHide()
{
    m_dlg.ShowWindow(m_dlg.IsWindowVisible() ? SW_HIDE : SW_SHOW);
}

void CProgramMenu::OnStartup()
{
    ToggleStartup();
}

// Ends the dialog: Exit, unlike closing, ends the program.
void CProgramMenu::OnExit()
{
    m_dlg.EndDialog(IDCANCEL);
}

bool CProgramMenu::IsIniFilePresent() const
{
    return PathFileExistsW(m_strIniPath.c_str()) != FALSE;
}

bool CProgramMenu::IsWindowShown() const
{
    return m_dlg.IsWindowVisible();
}

bool CProgramMenu::IsStartupOn() const
{
    return IsStartupRegistered();
}
