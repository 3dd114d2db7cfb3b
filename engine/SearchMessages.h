#pragma once
#include <windows.h>

// Posted by the search worker to the window that watches it, wParam and
// lParam 0: the counters moved / the run is over and its thread is ending.
constexpr UINT WM_SEARCH_END = WM_USER + 100;       // 1124
constexpr UINT WM_SEARCH_PROGRESS = WM_USER + 200;  // 1224
