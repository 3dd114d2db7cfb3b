// Resource identifiers of Kestrin.exe, shared by the resource script and the
// dialogs.
#pragma once

#define IDR_MAINFRAME 128
#define IDC_HAND_CURSOR 201

#define IDD_MAINDLG 129
#define IDD_ABOUTBOX 100

// Main dialog
#define IDC_FIND_STOP 1000
#define IDC_SEARCH_TEXT 1001
#define IDC_LOOK_KEYS 1002
#define IDC_LOOK_VALUES 1003
#define IDC_LOOK_DATA 1004
#define IDC_WHOLE_STRING 1005
#define IDC_SHOW_RESULT 1008
#define IDC_STATE_TEXT 1009
#define IDC_MATCH_CASE 1010
#define IDC_FOUND_TEXT 1011
#define ID_APP_ABOUT 57664

// About box
#define IDC_HOME_PAGE 1011
#define IDC_MAIL 1012
#define IDC_ABOUT_ICON 1013
// The About box's icon is drawn at most this many dialog units square.
#define ABOUT_ICON_UNITS 20

#ifndef IDC_STATIC
#define IDC_STATIC (-1)
#endif
