#pragma once
// The program's one top-level window: the modeless dialog that takes the text
// and the options, starts and stops the search worker, shows its progress and
// opens the report.
#include <windows.h>
#include <cstdint>

#include "base/Handles.h"
#include "engine/SearchContext.h"
#include "ui/framework/DialogImpl.h"
#include "ui/framework/MessageLoop.h"
#include "ui/resource.h"

class CMainDlg : public CDialogImpl<CMainDlg>, public CMessageFilter, public CIdleHandler {
public:
    enum { IDD = IDD_MAINDLG };

    // The message map: initialisation, the worker's two messages, close and
    // destroy, and the controls' commands. FALSE leaves a message to the
    // platform's dialog processing (a declined close request among them).
    BOOL ProcessWindowMessage(HWND window, UINT message, WPARAM wParam, LPARAM lParam,
                              LRESULT& result) override;
    // The dialog's keyboard handling (Tab, arrows, mnemonics, Esc) for the
    // modeless window; TRUE when the message was the dialog's.
    BOOL FilterMessage(MSG* msg) override;
    // Nothing to do when the queue runs empty; always FALSE.
    BOOL DoIdleWork() override;

    // Set by RunMainDialog before the window is created; not owned.
    SearchContext* m_context = nullptr;

private:
    LRESULT HandleInit();
    void HandleSearchEnd();
    void HandleProgress();
    BOOL HandleClose();
    void HandleDestroy();
    void HandleAbout();
    void HandleFindStop();
    void HandleTextChange();
    void HandleSearchBoxClick();
    void HandleShowResult();
    BOOL HandleCommand(WORD id, WORD notification);

    BOOL CanStartSearch() const;
    void StoreOptions();
    BOOL StartSearch();
    BOOL StopSearch();
    BOOL ResultFileExists() const;

    // The caption's and the task bar's icons, sized for dpi.
    void LoadIcons(UINT dpi);
    void EnableControl(int id, BOOL enable) { ::EnableWindow(GetDlgItem(id), enable); }

    DWORD m_threadId = 0;
    // Non-null from a successful start until the end message was handled:
    // "a search runs" means exactly this.
    UniqueKernelHandle m_thread;
    int32_t m_closePending = 0;
    int32_t m_lastFound = -1;  // the count the Found line shows
    int32_t m_optionsChanged = 0;  // an option box was clicked; never cleared
    UniqueIcon m_largeIcon;
    UniqueIcon m_smallIcon;
};
