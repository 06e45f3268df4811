#include "MessageRecorder.h"

#include <commctrl.h>

CMessageRecorder::CMessageRecorder(std::vector<HWND> windows) : m_windows(std::move(windows))
{
    for (HWND hWnd : m_windows)
        SetWindowSubclass(hWnd, SubclassProc, 1, reinterpret_cast<DWORD_PTR>(this));
}

CMessageRecorder::~CMessageRecorder()
{
    for (HWND hWnd : m_windows)
        RemoveWindowSubclass(hWnd, SubclassProc, 1);
}

std::vector<CMessageRecorder::SMessage> CMessageRecorder::Of(UINT message) const
{
    std::vector<SMessage> found;
    for (const SMessage& m : m_messages)
        if (m.message == message)
            found.push_back(m);
    return found;
}

LRESULT CALLBACK CMessageRecorder::SubclassProc(HWND hWnd, UINT message, WPARAM wParam, LPARAM lParam, UINT_PTR,
                                                DWORD_PTR dwRef)
{
    LONG style = GetWindowLongW(hWnd, GWL_STYLE);
    reinterpret_cast<CMessageRecorder*>(dwRef)->m_messages.push_back(
        {hWnd, message, wParam, (style & WS_VISIBLE) != 0});
    LRESULT result = DefSubclassProc(hWnd, message, wParam, lParam);
    if (message == WM_SETREDRAW && wParam)
        SetWindowLongW(hWnd, GWL_STYLE, GetWindowLongW(hWnd, GWL_STYLE) | WS_VISIBLE);
    return result;
}
