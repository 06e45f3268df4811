#pragma once

#include "framework/WinApp.h"

// Starts the program once: a second start restores a minimised first
// instance and ends.
class CTavrinApp : public CWinApp
{
public:
    BOOL InitInstance() override;
};
