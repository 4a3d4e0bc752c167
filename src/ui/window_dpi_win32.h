// The scaling of a window's own pixel sizes (column widths, icons) to the DPI
// of the monitor it is on; dialog templates scale by themselves.
#pragma once

#include <windows.h>

// The window's DPI: GetDpiForWindow where the system has it, else the
// screen's; 96 when neither answers.
UINT WindowDpi(HWND window);

// A size given for 96 DPI, at the window's DPI.
int ScaleToWindow(HWND window, int size96);

// Gives the window the icon iconName of module as its small icon (the size of
// SM_CXSMICON) and its large one (SM_CXICON, at least 32), both at the
// window's DPI. The icons are shared and live as long as the module.
void SetWindowIcons(HWND window, HINSTANCE module, const wchar_t* iconName);
