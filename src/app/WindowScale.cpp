#include "app/WindowScale.h"

#include "framework/SystemError.h"

namespace
{
int Scale(int n, UINT nTo, UINT nFrom)
{
    return MulDiv(n, static_cast<int>(nTo), static_cast<int>(nFrom));
}
}

void CWindowScale::Capture(HWND hDlg, UINT nDpi)
{
    m_hDlg = hDlg;
    m_nBaseDpi = m_nDpi = nDpi;
    m_hBaseFont = reinterpret_cast<HFONT>(SendMessageW(hDlg, WM_GETFONT, 0, 0));
    GetObjectW(m_hBaseFont, sizeof m_lfBase, &m_lfBase);
    m_children.clear();
    for (HWND hChild = GetWindow(hDlg, GW_CHILD); hChild; hChild = GetWindow(hChild, GW_HWNDNEXT))
    {
        SChild child = {hChild, {}, reinterpret_cast<HFONT>(SendMessageW(hChild, WM_GETFONT, 0, 0)) == m_hBaseFont};
        GetWindowRect(hChild, &child.rc);
        MapWindowPoints(nullptr, hDlg, reinterpret_cast<POINT*>(&child.rc), 2);
        m_children.push_back(child);
    }
}

LOGFONTW CWindowScale::FontAt(UINT nDpi) const
{
    LOGFONTW lf = m_lfBase;
    lf.lfHeight = Scale(lf.lfHeight, nDpi, m_nBaseDpi);
    lf.lfWidth = Scale(lf.lfWidth, nDpi, m_nBaseDpi);
    return lf;
}

void CWindowScale::Apply(UINT nDpi, const RECT* pSuggested)
{
    if (!m_hDlg || nDpi == 0)
        return;
    m_nDpi = nDpi;
    if (pSuggested)
        SetWindowPos(m_hDlg, nullptr, pSuggested->left, pSuggested->top, pSuggested->right - pSuggested->left,
                     pSuggested->bottom - pSuggested->top, SWP_NOZORDER | SWP_NOACTIVATE);

    // The old font goes only once no child uses it any more.
    HFONT hOldFont = m_font.m_hObject;
    m_font.m_hObject = nullptr;
    if (nDpi != m_nBaseDpi)
    {
        LOGFONTW lf = FontAt(nDpi);
        if (!m_font.CreateFontIndirect(&lf))
            TraceLastError("CreateFontIndirectW(dialog font)");
    }
    for (const SChild& child : m_children)
    {
        if (!IsWindow(child.hWnd))
            continue;
        RECT rc = child.rc;
        int x = Scale(rc.left, nDpi, m_nBaseDpi), y = Scale(rc.top, nDpi, m_nBaseDpi);
        SetWindowPos(child.hWnd, nullptr, x, y, Scale(rc.right, nDpi, m_nBaseDpi) - x,
                     Scale(rc.bottom, nDpi, m_nBaseDpi) - y, SWP_NOZORDER | SWP_NOACTIVATE);
        if (child.bDlgFont)
            SendMessageW(child.hWnd, WM_SETFONT, reinterpret_cast<WPARAM>(Font()), TRUE);
    }
    if (hOldFont)
        DeleteObject(hOldFont);
    InvalidateRect(m_hDlg, nullptr, TRUE);
}
