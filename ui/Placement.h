#pragma once
#include <windows.h>

// Centres window over reference (or, when reference is null, over the
// window's owner); a reference that is hidden or minimised is dropped and the
// primary screen's work area is the target instead. The result is then moved
// inside the work area (right, bottom, left, top in that order) without
// resizing, reordering or activating the window. FALSE when the window's
// rectangle or the work area could not be read; the window then stays put.
BOOL PlaceWindow(HWND window, HWND reference = nullptr);
