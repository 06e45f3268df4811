// The window's log-pane operations and the user's commands on the panes.
#include "app/TavrinDlg.h"

#include "framework/MessageBox.h"

void CTavrinDlg::AppendLog(int nPane, const char* pszText)
{
    m_panes.Append(nPane, pszText);
    ShowCurrentPane();
}

void CTavrinDlg::ShowCurrentPane()
{
    m_panes.ShowCurrent();
}

void CTavrinDlg::UpdateHorizontalExtent()
{
    m_panes.UpdateHorizontalExtent();
}

void CTavrinDlg::OnTabSelChange(NMHDR*, LRESULT* pResult)
{
    *pResult = 0;
    ShowCurrentPane();
}

void CTavrinDlg::OnPaneDblClk(UINT nID)
{
    // Without a selected line there is nothing to show.
    std::wstring line;
    if (m_panes.GetSelectedLine(static_cast<int>(nID) - IDC_LIST_LOG0, line))
        AfxMessageBox(line, MB_OK, 0);
}

void CTavrinDlg::OnClear()
{
    m_panes.Clear();
}

void CTavrinDlg::OnToEnd()
{
    m_panes.ToEnd();
}
