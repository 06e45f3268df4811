#pragma once

#include <windows.h>

#include <string>

// A window handle with the few operations the program calls on it. The
// object does not own the window: whoever created it destroys it.
class CWnd
{
public:
    CWnd() = default;
    virtual ~CWnd() = default;
    CWnd(const CWnd&) = delete;
    CWnd& operator=(const CWnd&) = delete;

    HWND GetSafeHwnd() const { return m_hWnd; }
    operator HWND() const { return m_hWnd; }

    // Binds this object to a window once; false when it is bound already.
    bool Attach(HWND hWnd);
    HWND Detach();

    HWND GetDlgItem(int nID) const { return ::GetDlgItem(m_hWnd, nID); }
    void SetDlgItemText(int nID, const std::wstring& text) { ::SetDlgItemTextW(m_hWnd, nID, text.c_str()); }
    std::wstring GetDlgItemText(int nID) const;
    void SetWindowText(const std::wstring& text) { ::SetWindowTextW(m_hWnd, text.c_str()); }
    std::wstring GetWindowText() const;
    BOOL ShowWindow(int nCmdShow) { return ::ShowWindow(m_hWnd, nCmdShow); }
    bool IsWindowVisible() const { return ::IsWindowVisible(m_hWnd) != FALSE; }
    bool IsIconic() const { return ::IsIconic(m_hWnd) != FALSE; }
    LRESULT SendMessage(UINT message, WPARAM wParam = 0, LPARAM lParam = 0) const
    {
        return ::SendMessageW(m_hWnd, message, wParam, lParam);
    }
    HFONT GetFont() const { return reinterpret_cast<HFONT>(SendMessage(WM_GETFONT)); }
    void SetFont(HFONT hFont, bool bRedraw = true)
    {
        SendMessage(WM_SETFONT, reinterpret_cast<WPARAM>(hFont), bRedraw);
    }
    void GetWindowRect(RECT* pRect) const { ::GetWindowRect(m_hWnd, pRect); }
    // Both corners; under a right-to-left layout left and right swap.
    void ScreenToClient(RECT* pRect) const;
    // Over the owner when it is shown and not minimised, else over the
    // screen's work area; kept inside that work area.
    void CenterWindow();

    HWND m_hWnd = nullptr;
};
