#include "ui/LayoutFaults.h"

#include "ui/UiDriver.h"
#include "ui/WindowDpi.h"

namespace ui {
namespace {

struct Control {
    HWND window;
    std::string className;
    std::string name;  // class and text, for the fault's sentence
    RECT rect;         // in the dialog's client coordinates
    bool groupBox;
};

BOOL CALLBACK CollectControl(HWND window, LPARAM parameter) {
    char className[64] = "";
    ::GetClassNameA(window, className, sizeof className);
    Control control = {window, className, std::string(className) + " \"" + Text(window) + "\"", {}, false};
    ::GetWindowRect(window, &control.rect);
    ::MapWindowPoints(nullptr, ::GetParent(window), reinterpret_cast<POINT*>(&control.rect), 2);
    LONG style = ::GetWindowLongA(window, GWL_STYLE);
    control.groupBox = control.className == "Button" && (style & BS_TYPEMASK) == BS_GROUPBOX;
    reinterpret_cast<std::vector<Control>*>(parameter)->push_back(control);
    return TRUE;
}

std::string Where(const RECT& rect) {
    return " (" + std::to_string(rect.left) + "," + std::to_string(rect.top) + ")-(" + std::to_string(rect.right) +
           "," + std::to_string(rect.bottom) + ")";
}

bool Inside(const RECT& inner, const RECT& outer) {
    return inner.left >= outer.left && inner.top >= outer.top && inner.right <= outer.right &&
           inner.bottom <= outer.bottom;
}

// Controls that meet in dialog units can share a pixel column or row once
// each edge is rounded to pixels on its own; that is no overlap.
constexpr LONG kRoundingSlack = 1;

bool Overlap(const RECT& a, const RECT& b) {
    RECT common;
    return ::IntersectRect(&common, &a, &b) && common.right - common.left > kRoundingSlack &&
           common.bottom - common.top > kRoundingSlack;
}

// Two group boxes may share a frame line (the main dialog stacks its two);
// a control may lie wholly inside a group box or wholly outside it; any
// other two controls must not meet.
bool MayOverlap(const Control& a, const Control& b) {
    if (a.groupBox && b.groupBox) return true;
    if (a.groupBox) return Inside(b.rect, a.rect);
    if (b.groupBox) return Inside(a.rect, b.rect);
    return false;
}

// What a control needs beside its text: a check box's or radio button's
// glyph (13 pixels at 100% on Windows, one less under Wine) and the gap of
// half a digit's width that both leave before the text; or the frame around
// a button's or a group box's caption.
int Decoration(const Control& control, HFONT font, UINT dpi) {
    if (control.className != "Button") return 0;
    HWND window = control.window;
    LONG type = ::GetWindowLongA(window, GWL_STYLE) & BS_TYPEMASK;
    bool marked = type == BS_CHECKBOX || type == BS_AUTOCHECKBOX || type == BS_RADIOBUTTON ||
                  type == BS_AUTORADIOBUTTON || type == BS_3STATE || type == BS_AUTO3STATE;
    if (!marked) return 4 * SystemMetricForDpi(SM_CXEDGE, dpi);
    const int kGlyphAt100 = 13;
    HDC dc = ::GetDC(window);
    HGDIOBJ old = ::SelectObject(dc, font);
    SIZE digit = {0, 0};
    ::GetTextExtentPoint32A(dc, "0", 1, &digit);
    ::SelectObject(dc, old);
    ::ReleaseDC(window, dc);
    return ::MulDiv(kGlyphAt100, static_cast<int>(dpi), USER_DEFAULT_SCREEN_DPI) + digit.cx / 2;
}

// The width of window's text drawn in font on one line, mnemonic
// ampersands left out as the control leaves them out.
int TextWidth(HWND window, HFONT font) {
    std::string text = Text(window);
    HDC dc = ::GetDC(window);
    HGDIOBJ old = ::SelectObject(dc, font);
    RECT measured = {0, 0, 0, 0};
    ::DrawTextA(dc, text.c_str(), static_cast<int>(text.size()), &measured, DT_CALCRECT | DT_SINGLELINE);
    ::SelectObject(dc, old);
    ::ReleaseDC(window, dc);
    return measured.right;
}

void CheckTextFits(const Control& control, UINT dpi, std::vector<std::string>& faults) {
    // What is typed into an edit box scrolls; an icon's text names its
    // resource; an empty text needs no room.
    bool icon = control.className == "Static" &&
                (::GetWindowLongA(control.window, GWL_STYLE) & SS_TYPEMASK) == SS_ICON;
    if (control.className == "Edit" || icon || Text(control.window).empty()) return;
    auto font = reinterpret_cast<HFONT>(::SendMessageA(control.window, WM_GETFONT, 0, 0));
    if (!font) {
        faults.push_back(control.name + " has no font of its own");
        return;
    }
    int needed = TextWidth(control.window, font) + Decoration(control, font, dpi);
    int width = control.rect.right - control.rect.left;
    if (needed > width)
        faults.push_back(control.name + " needs " + std::to_string(needed) + " pixels, has " + std::to_string(width));
}

}  // namespace

std::vector<std::string> LayoutFaults(HWND dialog) {
    std::vector<Control> controls;
    ::EnumChildWindows(dialog, CollectControl, reinterpret_cast<LPARAM>(&controls));
    std::vector<std::string> faults;
    if (controls.empty()) faults.push_back("no controls");
    RECT client;
    ::GetClientRect(dialog, &client);
    UINT dpi = DpiOfWindow(dialog);
    for (size_t i = 0; i < controls.size(); ++i) {
        const Control& control = controls[i];
        if (!Inside(control.rect, client))
            faults.push_back(control.name + Where(control.rect) + " lies outside the client area");
        for (size_t j = i + 1; j < controls.size(); ++j) {
            if (Overlap(control.rect, controls[j].rect) && !MayOverlap(control, controls[j]))
                faults.push_back(control.name + Where(control.rect) + " overlaps " + controls[j].name +
                                 Where(controls[j].rect));
        }
        CheckTextFits(control, dpi, faults);
    }
    return faults;
}

}  // namespace ui
