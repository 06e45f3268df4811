#include "DialogFixture.h"
#include "TraceCapture.h"

#include "app/StartupRegistration.h"
#include "framework/CmdUI.h"
#include "framework/Menu.h"

namespace
{
bool Checked(HMENU hMenu, UINT nID)
{
    return (GetMenuState(hMenu, nID, MF_BYCOMMAND) & MF_CHECKED) != 0;
}

bool Grayed(HMENU hMenu, UINT nID)
{
    return (GetMenuState(hMenu, nID, MF_BYCOMMAND) & MF_GRAYED) != 0;
}
}

TEST_F(CDialogTest, MenuBarShowsTheProgramState)
{
    HMENU hPopup = GetSubMenu(GetMenu(m_hWnd), 0);
    ASSERT_NE(hPopup, nullptr);
    SendMessageW(m_hWnd, WM_INITMENUPOPUP, reinterpret_cast<WPARAM>(hPopup), 0);
    EXPECT_TRUE(Checked(hPopup, ID_SHOW_HIDE));
    EXPECT_FALSE(Grayed(hPopup, ID_OPEN_INI)) << "the INI file exists";
    EXPECT_EQ(Checked(hPopup, ID_STARTUP), IsStartupRegistered());
    EXPECT_FALSE(Grayed(hPopup, ID_APP_EXIT));

    Command(IDCANCEL);
    DeleteFileW(m_iniPath.c_str());
    SendMessageW(m_hWnd, WM_INITMENUPOPUP, reinterpret_cast<WPARAM>(hPopup), 0);
    EXPECT_FALSE(Checked(hPopup, ID_SHOW_HIDE));
    EXPECT_TRUE(Grayed(hPopup, ID_OPEN_INI));

    // The file gone, opening it fails without a word to the user.
    CTraceCapture trace;
    Command(ID_OPEN_INI, 0);
    EXPECT_NE(trace.Text().find("ShellExecuteW(open, INI file) failed: "), std::string::npos) << trace.Text();
}

TEST_F(CDialogTest, AFreshCopyOfTheMenuGetsTheSameStates)
{
    // What the tray shows: a copy of menu 128 that is not the menu bar.
    CMenu menu;
    ASSERT_TRUE(menu.LoadMenu(IDR_MAINFRAME));
    HMENU hPopup = menu.GetSubMenu(0);
    ASSERT_EQ(GetMenuItemCount(hPopup), 7);
    EXPECT_FALSE(Checked(hPopup, ID_SHOW_HIDE));
    Command(ID_SHOW_HIDE);
    EXPECT_FALSE(IsWindowVisible(m_hWnd));
    DeleteFileW(m_iniPath.c_str());
    Command(ID_SHOW_HIDE);
    EXPECT_TRUE(IsWindowVisible(m_hWnd));

    SendMessageW(m_hWnd, WM_INITMENUPOPUP, reinterpret_cast<WPARAM>(hPopup), 0);
    EXPECT_TRUE(Checked(hPopup, ID_SHOW_HIDE));
    EXPECT_TRUE(Grayed(hPopup, ID_OPEN_INI));
}

TEST_F(CDialogTest, SystemMenuHasTheAboutEntry)
{
    HMENU hSysMenu = GetSystemMenu(m_hWnd, FALSE);
    int nCount = GetMenuItemCount(hSysMenu);
    ASSERT_GE(nCount, 2);
    EXPECT_EQ(GetMenuItemID(hSysMenu, nCount - 1), static_cast<UINT>(IDM_ABOUTBOX));
    EXPECT_EQ(GetMenuItemID(hSysMenu, nCount - 2), 0u) << "a separator before it";
    wchar_t szText[64] = {};
    GetMenuStringW(hSysMenu, nCount - 1, szText, 64, MF_BYPOSITION);
    EXPECT_EQ(std::wstring(szText), L"Tavrin 정보(&A)...");
}

namespace
{
// Handles command 1 only, with an update handler for nothing.
class CCommandOne : public CCmdTarget
{
public:
    bool OnUpdateCommand(CCmdUI&) override { return false; }
    bool HandlesCommand(UINT nID) const override { return nID == 1; }
};
}

TEST(CmdUITest, SubmenuItemsWithoutAHandlerAreGreyed)
{
    HMENU hHandled = CreatePopupMenu();
    AppendMenuW(hHandled, MF_STRING, 1, L"one");
    HMENU hUnhandled = CreatePopupMenu();
    AppendMenuW(hUnhandled, MF_STRING, 2, L"two");
    HMENU hPopup = CreatePopupMenu();
    AppendMenuW(hPopup, MF_POPUP, reinterpret_cast<UINT_PTR>(hHandled), L"handled");
    AppendMenuW(hPopup, MF_SEPARATOR, 0, nullptr);
    AppendMenuW(hPopup, MF_POPUP, reinterpret_cast<UINT_PTR>(hUnhandled), L"unhandled");
    AppendMenuW(hPopup, MF_STRING | MF_GRAYED, 3, L"three");

    CCommandOne target;
    UpdateMenuPopup(target, hPopup);
    EXPECT_FALSE(GetMenuState(hPopup, 0, MF_BYPOSITION) & MF_GRAYED);
    EXPECT_TRUE(GetMenuState(hPopup, 2, MF_BYPOSITION) & MF_GRAYED);
    EXPECT_TRUE(GetMenuState(hPopup, 3, MF_BYPOSITION) & MF_GRAYED) << "plain items keep their state";
    DestroyMenu(hPopup);
}
