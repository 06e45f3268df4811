#pragma once

#include "framework/Font.h"

#include <windows.h>

#include <vector>

// The window's layout at each scale. Windows sizes the dialog for the scale
// it opens at; when the window moves to a monitor of another scale (or the
// scale changes), every child goes where it was at the start, scaled from
// the scale of then, and so does the dialog's font: nothing is scaled twice,
// so moving back and forth loses nothing to rounding.
class CWindowScale
{
public:
    // Once the window's children exist.
    void Capture(HWND hDlg, UINT nDpi);
    // The window to pSuggested (WM_DPICHANGED's rectangle), its children
    // placed for nDpi, and the dialog's font at nDpi on those that had it.
    void Apply(UINT nDpi, const RECT* pSuggested);

    UINT Dpi() const { return m_nDpi; }
    // The dialog's font as it was at the start, at nDpi.
    LOGFONTW FontAt(UINT nDpi) const;
    // The dialog's font at the current scale.
    HFONT Font() const { return m_font.GetSafeHandle() ? m_font.GetSafeHandle() : m_hBaseFont; }

private:
    struct SChild
    {
        HWND hWnd;
        RECT rc;        // in the window's client area, at the start
        bool bDlgFont;  // had the dialog's font
    };

    HWND m_hDlg = nullptr;
    UINT m_nBaseDpi = 96;
    UINT m_nDpi = 96;
    HFONT m_hBaseFont = nullptr;
    LOGFONTW m_lfBase = {};
    CFont m_font; // the dialog's font at another scale than the start's
    std::vector<SChild> m_children;
};
