#include "framework/Dpi.h"

namespace
{
// Looked up at run time: the program also starts where they do not exist.
template <class PFN>
PFN User32Function(const char* pszName)
{
    return reinterpret_cast<PFN>(reinterpret_cast<void*>(GetProcAddress(GetModuleHandleW(L"user32.dll"), pszName)));
}
}

UINT GetWindowDpi(HWND hWnd)
{
    typedef UINT(WINAPI * PFN)(HWND);
    static const PFN pfn = User32Function<PFN>("GetDpiForWindow");
    if (pfn)
    {
        UINT nDpi = pfn(hWnd);
        if (nDpi != 0)
            return nDpi;
    }
    HDC hDC = GetDC(nullptr);
    int nDpi = GetDeviceCaps(hDC, LOGPIXELSY);
    ReleaseDC(nullptr, hDC);
    return nDpi > 0 ? static_cast<UINT>(nDpi) : DPI_DEFAULT;
}

int GetSystemMetricForDpi(int nIndex, UINT nDpi)
{
    typedef int(WINAPI * PFN)(int, UINT);
    static const PFN pfn = User32Function<PFN>("GetSystemMetricsForDpi");
    if (pfn)
        return pfn(nIndex, nDpi);
    return MulDiv(GetSystemMetrics(nIndex), static_cast<int>(nDpi), static_cast<int>(GetWindowDpi(nullptr)));
}

void KeepDialogDpiScaling(HWND hDlg)
{
    typedef BOOL(WINAPI * PFN)(HWND, DIALOG_DPI_CHANGE_BEHAVIORS, DIALOG_DPI_CHANGE_BEHAVIORS);
    static const PFN pfn = User32Function<PFN>("SetDialogDpiChangeBehavior");
    if (pfn)
        pfn(hDlg, DDC_DISABLE_ALL, DDC_DISABLE_ALL);
}
