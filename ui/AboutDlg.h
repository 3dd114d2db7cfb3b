#pragma once
// The modal About box: icon, name and version, and two link labels (home
// page and mail) drawn in blue and underlined, with a hand cursor, that hand
// their text to the shell when clicked. Icon, cursor and link fonts follow
// the box's DPI, also when it moves to a monitor of another scale.
#include <windows.h>

#include "base/Handles.h"
#include "ui/framework/DialogImpl.h"
#include "ui/resource.h"

class CAboutDlg : public CDialogImpl<CAboutDlg> {
public:
    enum { IDD = IDD_ABOUTBOX };

    // Takes the link colour and the button face's colour; the cursor, the
    // icon and the fonts come when the box is initialised (and again at a
    // new DPI), and go with the object.
    CAboutDlg();
    // The message map: initialisation, the links' colours, cursor and
    // clicks, a new DPI, OK (Enter) and the close request end the box; Esc
    // is left alone.
    BOOL ProcessWindowMessage(HWND window, UINT message, WPARAM wParam, LPARAM lParam,
                              LRESULT& result) override;

private:
    LRESULT HandleInit();
    // The brush for a static control's background, or null for the
    // platform's default colours (every control but the two links).
    HBRUSH HandleLinkColor(HDC dc, HWND control) const;
    void OpenLink(HWND label) const;
    bool IsLink(HWND window) const { return window && (window == m_homePageLabel || window == m_mailLabel); }
    // Gives label an underlined copy of its own font, kept in font, its
    // height scaled from m_dpi to dpi.
    void MakeLink(HWND label, UniqueGdiObject& font, UINT dpi) const;
    // Remakes the link fonts, the hand cursor and the icon for dpi.
    void FollowDpi(UINT dpi);
    // The DPI whose icon size the icon is drawn at: dpi, or a smaller scale
    // where the box's font grows slower than the scale (Wine's MS Sans Serif
    // at 200%) and the larger icon would cover the line below it.
    UINT IconDpi(UINT dpi) const;

    COLORREF m_linkColor;
    COLORREF m_backColor;
    UINT m_dpi = USER_DEFAULT_SCREEN_DPI;  // the DPI the link fonts were made for
    UniqueIcon m_handCursor;
    UniqueIcon m_icon;
    UniqueGdiObject m_homePageFont;
    UniqueGdiObject m_mailFont;
    HWND m_homePageLabel = nullptr;
    HWND m_mailLabel = nullptr;
};
