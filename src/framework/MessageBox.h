#pragma once

#include <windows.h>

#include <string>

// A message box captioned with the application name, owned by the active
// window. An MB_OK box that names no icon gets the exclamation icon.
int AfxMessageBox(const std::wstring& text, UINT nType = MB_OK, UINT nIDHelp = 0);
