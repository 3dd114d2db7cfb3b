#include "ui/WindowDpi.h"

namespace {

using DpiForWindow = UINT(WINAPI*)(HWND);
using MetricsForDpi = int(WINAPI*)(int, UINT);
using ControlDpiBehavior = BOOL(WINAPI*)(HWND, DIALOG_CONTROL_DPI_CHANGE_BEHAVIORS,
                                         DIALOG_CONTROL_DPI_CHANGE_BEHAVIORS);

// user32's export name, or null where this Windows lacks it. Through void*:
// GCC warns of a direct cast between unrelated function pointer types.
template <class Function>
Function User32Export(const char* name) {
    HMODULE user32 = ::GetModuleHandleA("user32.dll");
    void* address = user32 ? reinterpret_cast<void*>(::GetProcAddress(user32, name)) : nullptr;
    return reinterpret_cast<Function>(address);
}

int DeviceDpi(HWND window) {
    HDC dc = ::GetDC(window);
    int dpi = dc ? ::GetDeviceCaps(dc, LOGPIXELSY) : 0;
    if (dc) ::ReleaseDC(window, dc);
    return dpi > 0 ? dpi : USER_DEFAULT_SCREEN_DPI;
}

}  // namespace

UINT DpiOfWindow(HWND window) {
    static const DpiForWindow dpiForWindow = User32Export<DpiForWindow>("GetDpiForWindow");
    UINT dpi = dpiForWindow && window ? dpiForWindow(window) : 0;
    return dpi ? dpi : static_cast<UINT>(DeviceDpi(window));
}

int SystemMetricForDpi(int index, UINT dpi) {
    static const MetricsForDpi metricsForDpi = User32Export<MetricsForDpi>("GetSystemMetricsForDpi");
    if (metricsForDpi) return metricsForDpi(index, dpi);
    // Older systems give the metrics at the screen's DPI.
    return ::MulDiv(::GetSystemMetrics(index), static_cast<int>(dpi), DeviceDpi(nullptr));
}

void KeepOwnFontOnDpiChange(HWND control) {
    static const ControlDpiBehavior behavior = User32Export<ControlDpiBehavior>("SetDialogControlDpiChangeBehavior");
    if (behavior && control) behavior(control, DCDC_DISABLE_FONT_UPDATE, DCDC_DISABLE_FONT_UPDATE);
}

HICON LoadImageForDpi(HINSTANCE instance, int id, UINT type, int metric, UINT dpi) {
    int size = SystemMetricForDpi(metric, dpi);
    return static_cast<HICON>(::LoadImageA(instance, MAKEINTRESOURCEA(id), type, size, size, LR_DEFAULTCOLOR));
}
