// The window when Windows tells it that its monitor's scale has changed.
#include "DialogFixture.h"
#include "WindowLayout.h"

#include <commctrl.h>

namespace
{
SWindowLayout ReadLayout(HWND hDlg)
{
    HWND hTab = GetDlgItem(hDlg, IDC_TAB_LOG);
    return SWindowLayout::Read(hDlg, [&](int i, RECT& rc) {
        return SendMessageW(hTab, TCM_GETITEMRECT, i, reinterpret_cast<LPARAM>(&rc)) != FALSE;
    });
}

LONG FontHeight(HWND hWnd)
{
    LOGFONTW lf = {};
    GetObjectW(reinterpret_cast<HFONT>(SendMessageW(hWnd, WM_GETFONT, 0, 0)), sizeof lf, &lf);
    return lf.lfHeight;
}

// What Windows sends: the new scale, and the window's rectangle for it.
void ChangeScale(HWND hDlg, UINT nFrom, UINT nTo)
{
    RECT rc;
    GetWindowRect(hDlg, &rc);
    rc.right = rc.left + MulDiv(rc.right - rc.left, nTo, nFrom);
    rc.bottom = rc.top + MulDiv(rc.bottom - rc.top, nTo, nFrom);
    SendMessageW(hDlg, WM_DPICHANGED, MAKEWPARAM(nTo, nTo), reinterpret_cast<LPARAM>(&rc));
}
}

TEST_F(CDialogTest, AtEveryScaleThePanesSitBelowTheTabsAndTheFontsFollow)
{
    SWindowLayout start = ReadLayout(m_hWnd);
    EXPECT_TRUE(start.Faults().empty()) << start.Describe();
    LONG nDialogFont = FontHeight(Pane(0));
    ASSERT_EQ(FontHeight(Item(IDC_ROBOT_STATUS)), -48);

    UINT nDpi = 96;
    for (UINT nTo : {144u, 192u, 120u, 96u})
    {
        ChangeScale(m_hWnd, nDpi, nTo);
        nDpi = nTo;
        SWindowLayout layout = ReadLayout(m_hWnd);
        SCOPED_TRACE(nDpi);
        for (const std::string& fault : layout.Faults())
            ADD_FAILURE() << fault << "\n" << layout.Describe();
        EXPECT_EQ(FontHeight(Item(IDC_ROBOT_STATUS)), -MulDiv(48, nDpi, 96));
        for (int nID : {IDC_ROBOT_DETAIL, IDC_LIST_LOG0, IDC_LIST_LOG0 + PANE_LOG, IDC_TAB_LOG, IDCANCEL})
            EXPECT_EQ(FontHeight(Item(nID)), MulDiv(nDialogFont, nDpi, 96)) << nID;
        RECT rcStart = start.Of(IDC_BTN_TOEND), rc = layout.Of(IDC_BTN_TOEND);
        EXPECT_EQ(rc.right, MulDiv(rcStart.right, nDpi, 96));
    }
    // Back at the start, every control is where it was: nothing was scaled twice.
    SWindowLayout back = ReadLayout(m_hWnd);
    for (size_t i = 0; i < start.controls.size(); ++i)
        EXPECT_TRUE(EqualRect(&start.controls[i].rc, &back.controls[i].rc)) << start.controls[i].nID;
}
