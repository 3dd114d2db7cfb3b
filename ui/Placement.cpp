#include "ui/Placement.h"

namespace {

// Halves toward zero, as the placement rule asks (a plain shift would round
// negative screen coordinates down).
LONG Half(LONG value) { return value / 2; }

// Brings position into [low, high - size]; the low edge wins when the window
// is larger than the range.
LONG KeepInside(LONG position, LONG size, LONG low, LONG high) {
    if (position + size > high) position = high - size;
    if (position < low) position = low;
    return position;
}

}  // namespace

BOOL PlaceWindow(HWND window, HWND reference) {
    if (!reference) reference = ::GetWindow(window, GW_OWNER);
    if (reference && (!::IsWindowVisible(reference) || ::IsIconic(reference))) reference = nullptr;

    RECT workArea;
    RECT windowRect;
    if (!::SystemParametersInfoA(SPI_GETWORKAREA, 0, &workArea, 0) || !::GetWindowRect(window, &windowRect))
        return FALSE;
    RECT target = workArea;
    if (reference && !::GetWindowRect(reference, &target)) target = workArea;

    LONG width = windowRect.right - windowRect.left;
    LONG height = windowRect.bottom - windowRect.top;
    LONG x = Half(target.left + target.right) - Half(width);
    LONG y = Half(target.top + target.bottom) - Half(height);
    x = KeepInside(x, width, workArea.left, workArea.right);
    y = KeepInside(y, height, workArea.top, workArea.bottom);
    return ::SetWindowPos(window, nullptr, x, y, 0, 0, SWP_NOSIZE | SWP_NOZORDER | SWP_NOACTIVATE);
}
