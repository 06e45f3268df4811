#pragma once

#include <windows.h>

#include <functional>
#include <string>
#include <vector>

// The main window's controls as rectangles in its client area, read from
// the window itself (in this process or another), and what must hold of
// them at any scale: nothing cut, nothing overlapping, the panes inside the
// tab control below its row of tabs.
struct SWindowLayout
{
    struct SControl
    {
        int nID;
        RECT rc;
    };
    RECT client = {};
    std::vector<SControl> controls; // the template's controls and the panes
    std::vector<RECT> tabs;         // the tab items, in the client area

    // tabItemRect(i, rc) asks the tab control for item i (TCM_GETITEMRECT,
    // whose pointer another process must be handed in its own memory).
    static SWindowLayout Read(HWND hDlg, const std::function<bool(int, RECT&)>& tabItemRect);
    RECT Of(int nID) const;
    // Each fault in words; none when the layout is sound.
    std::vector<std::string> Faults() const;
    std::string Describe() const;
};
