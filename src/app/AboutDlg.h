#pragma once

#include "framework/DialogEx.h"
#include "res/resource.h"

// The About box: its template says everything.
class CAboutDlg : public CDialogEx
{
public:
    enum { IDD = IDD_ABOUTBOX };

    CAboutDlg() : CDialogEx(IDD) {}
};
