#pragma once
// The DPI a window is drawn at, and what Kestrin's own drawing sizes by it.
// The per-monitor functions came with Windows 10 and are looked up while the
// program runs (Windows 7 and 8.1 lack them); without them every window has
// the DPI of the screen's device context.
#include <windows.h>

// The DPI of window (96 at 100%, 144 at 150%).
UINT DpiOfWindow(HWND window);
// GetSystemMetrics(index) as at dpi: the icon, small icon and cursor sizes.
int SystemMetricForDpi(int index, UINT dpi);
// The dialog's per-monitor scaling hands every control the dialog's new font;
// a control that carries a font of ours (which we scale ourselves) is left
// out. Nothing where the platform does not scale dialogs.
void KeepOwnFontOnDpiChange(HWND control);
// Resource id of type IMAGE_ICON or IMAGE_CURSOR, square at the size that
// metric (SM_CXICON, SM_CXSMICON, SM_CXCURSOR) has at dpi, from the image of
// that size in the resource where there is one. The caller destroys it.
HICON LoadImageForDpi(HINSTANCE instance, int id, UINT type, int metric, UINT dpi);
