#pragma once

#include <windows.h>

// The scale at which Windows draws, in dots per inch: 96 is 100 %.
const UINT DPI_DEFAULT = 96;

// The scale of the monitor that the window is on (GetDpiForWindow, on
// Windows 10 1607 and later), else the screen's.
UINT GetWindowDpi(HWND hWnd);
// A length of 100 % at nDpi.
inline int ScaleByDpi(int n, UINT nDpi)
{
    return MulDiv(n, static_cast<int>(nDpi), static_cast<int>(DPI_DEFAULT));
}
// A system metric at nDpi (GetSystemMetricsForDpi where there is one).
int GetSystemMetricForDpi(int nIndex, UINT nDpi);
// The dialog lays itself out on WM_DPICHANGED, not the dialog manager
// (which would do it on Windows 10 1703 and later, without our own fonts).
void KeepDialogDpiScaling(HWND hDlg);
