#pragma once

#include "framework/Dialog.h"

// Kept for the names the program uses; it adds nothing to CDialog.
class CDialogEx : public CDialog
{
public:
    using CDialog::CDialog;
};
