#pragma once

#include <windows.h>

#include <vector>

// Subclasses windows and records the messages they receive, each with
// whether its window had WS_VISIBLE when it came. WM_SETREDRAW TRUE also adds
// WS_VISIBLE, as the default window procedure does on Windows and Wine's
// list box does not, so that what Windows would show can be seen here.
class CMessageRecorder
{
public:
    struct SMessage
    {
        HWND hWnd;
        UINT message;
        WPARAM wParam;
        bool bVisible;
    };

    explicit CMessageRecorder(std::vector<HWND> windows);
    ~CMessageRecorder();
    CMessageRecorder(const CMessageRecorder&) = delete;
    CMessageRecorder& operator=(const CMessageRecorder&) = delete;

    std::vector<SMessage> Of(UINT message) const;

    std::vector<SMessage> m_messages;

private:
    static LRESULT CALLBACK SubclassProc(HWND hWnd, UINT message, WPARAM wParam, LPARAM lParam, UINT_PTR uId,
                                         DWORD_PTR dwRef);
    std::vector<HWND> m_windows;
};
