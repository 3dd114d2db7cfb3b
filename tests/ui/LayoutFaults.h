#pragma once
// What is wrong with a dialog's layout as drawn at its DPI, one sentence per
// fault: a control outside the client area, two controls that overlap, a
// text wider than its control. Measured with each control's own font, so the
// dialog must belong to the calling process.
#include <windows.h>

#include <string>
#include <vector>

namespace ui {

std::vector<std::string> LayoutFaults(HWND dialog);

}  // namespace ui
