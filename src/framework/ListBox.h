#pragma once

#include "framework/Wnd.h"

#include <string>

class CListBox : public CWnd
{
public:
    bool Create(DWORD dwStyle, const RECT& rect, HWND hParent, UINT nID);

    int AddString(const std::wstring& text)
    {
        return static_cast<int>(SendMessage(LB_ADDSTRING, 0, reinterpret_cast<LPARAM>(text.c_str())));
    }
    int DeleteString(int nIndex) { return static_cast<int>(SendMessage(LB_DELETESTRING, nIndex)); }
    void ResetContent() { SendMessage(LB_RESETCONTENT); }
    int GetCount() const { return static_cast<int>(SendMessage(LB_GETCOUNT)); }
    int GetCurSel() const { return static_cast<int>(SendMessage(LB_GETCURSEL)); }
    int SetCurSel(int nIndex) { return static_cast<int>(SendMessage(LB_SETCURSEL, nIndex)); }
    // False when there is no line nIndex.
    bool GetText(int nIndex, std::wstring& text) const;
    int GetHorizontalExtent() const { return static_cast<int>(SendMessage(LB_GETHORIZONTALEXTENT)); }
    void SetHorizontalExtent(int cxExtent) { SendMessage(LB_SETHORIZONTALEXTENT, cxExtent); }
};
