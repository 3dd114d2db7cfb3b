#pragma once
#include <windows.h>
#include "engine/SearchCounters.h"

class CRegKeyTools;

// The record that the front end shares with the search worker. Its address is
// the worker's start parameter; the worker reads only the first two fields.
// Zero-filled static storage is a valid empty record.
struct SearchContext {
    HWND m_notifyWindow;      // receives WM_SEARCH_END; may be null
    CRegKeyTools* m_tools;    // the engine; may be null
    HANDLE m_stopEvent;       // manual-reset stop event; null if it could not be made
    SearchCounters m_counters;
    char m_stateText[260];
    char m_foundText[260];
};

// The worker thread's exit codes, the one list of the ways a search ends.
// 0 to 3 are the dialog program's, which treats every ending alike;
// kestrin-find maps each to an exit code of its own (find/ExitCodes.h).
enum SearchThreadExit : DWORD {
    kSearchCompleted = 0,
    kSearchStopped = 1,        // by the user
    kSearchUnreadable = 2,     // a key could not be read
    kSearchNoEngine = 3,       // no context or no engine: nothing searched, nothing posted
    kSearchReportFailed = 4,   // the report could not be created (shown once; the walk ended there)
};

// The worker thread's start routine; lpParameter is a SearchContext*.
DWORD WINAPI SearchThreadProc(LPVOID lpParameter);
