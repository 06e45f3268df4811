#include "framework/ListBox.h"

#include "framework/WinApp.h"

bool CListBox::Create(DWORD dwStyle, const RECT& rect, HWND hParent, UINT nID)
{
    HWND hWnd = CreateWindowExW(0, L"LISTBOX", nullptr, dwStyle, rect.left, rect.top,
                                rect.right - rect.left, rect.bottom - rect.top, hParent,
                                reinterpret_cast<HMENU>(static_cast<UINT_PTR>(nID)),
                                AfxGetInstanceHandle(), nullptr);
    return Attach(hWnd);
}

bool CListBox::GetText(int nIndex, std::wstring& text) const
{
    LRESULT nLen = SendMessage(LB_GETTEXTLEN, nIndex);
    if (nLen == LB_ERR)
        return false;
    text.assign(static_cast<size_t>(nLen) + 1, L'\0');
    nLen = SendMessage(LB_GETTEXT, nIndex, reinterpret_cast<LPARAM>(&text[0]));
    text.resize(nLen == LB_ERR ? 0 : static_cast<size_t>(nLen));
    return nLen != LB_ERR;
}
