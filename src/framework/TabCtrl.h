#pragma once

#include "framework/Wnd.h"

#include <commctrl.h>

class CTabCtrl : public CWnd
{
public:
    // A text-only item.
    int InsertItem(int nItem, const wchar_t* pszText)
    {
        TCITEMW item = {};
        item.mask = TCIF_TEXT;
        item.pszText = const_cast<wchar_t*>(pszText);
        return static_cast<int>(SendMessage(TCM_INSERTITEMW, nItem, reinterpret_cast<LPARAM>(&item)));
    }
    int GetItemCount() const { return static_cast<int>(SendMessage(TCM_GETITEMCOUNT)); }
    int GetCurSel() const { return static_cast<int>(SendMessage(TCM_GETCURSEL)); }
    int SetCurSel(int nItem) { return static_cast<int>(SendMessage(TCM_SETCURSEL, nItem)); }
};
