// Kestrin.exe: the process-wide objects, the entry point and the life of the
// main dialog from its creation to the end of the message loop.
#include <windows.h>
#include <commctrl.h>
#include <objbase.h>

#include "base/Handles.h"
#include "engine/RegKeyTools.h"
#include "engine/SearchContext.h"
#include "registry/LiveRegistry.h"
#include "ui/MainDlg.h"
#include "ui/framework/AppModule.h"
#include "ui/framework/MessageLoop.h"

// Constructed in this order before WinMain and destroyed in reverse after
// it: the engine reads the settings file beside the executable here, so the
// options are known before any window exists, and writes them back (when the
// user changed them) after the last window is gone.
CAppModule g_appModule;
CRegKeyTools g_regKeyTools(nullptr, LiveRegistries());
// Zero-initialised static storage; RunMainDialog fills it.
SearchContext g_searchContext;

namespace {

void ResetSearchContext(SearchContext& context) {
    context.m_notifyWindow = nullptr;
    context.m_tools = nullptr;
    context.m_stopEvent = nullptr;
    context.m_counters.Reset();
    context.m_stateText[0] = '\0';
    context.m_foundText[0] = '\0';
}

}  // namespace

// Creates and shows the main dialog and runs the thread's message loop until
// the dialog's destruction posts the quit message. The command line is not
// read. Returns the quit message's code, 0 also when the dialog could not be
// made. Every worker has ended by the time it returns.
int RunMainDialog(LPSTR /*commandLine*/, int showCommand) {
    // Registered before the dialog exists: its initialisation looks it up.
    CMessageLoop loop;
    g_appModule.AddMessageLoop(&loop);

    ResetSearchContext(g_searchContext);
    g_searchContext.m_tools = &g_regKeyTools;
    UniqueKernelHandle stopEvent(::CreateEventA(nullptr, TRUE, TRUE, nullptr));
    g_searchContext.m_stopEvent = stopEvent.get();

    int result = 0;
    {
        CMainDlg dialog;
        dialog.m_context = &g_searchContext;
        if (dialog.Create(nullptr)) {
            dialog.ShowWindow(showCommand);
            result = loop.Run();
        }
        g_appModule.RemoveMessageLoop();
        stopEvent.reset();
        g_searchContext.m_stopEvent = nullptr;
        g_regKeyTools.m_stopEvent.store(nullptr);
    }
    return result;
}

int WINAPI WinMain(HINSTANCE instance, HINSTANCE /*previous*/, LPSTR commandLine, int showCommand) {
    ::CoInitialize(nullptr);
    INITCOMMONCONTROLSEX controls = {sizeof controls, ICC_BAR_CLASSES | ICC_COOL_CLASSES};
    ::InitCommonControlsEx(&controls);
    g_appModule.Init(instance);

    int result = RunMainDialog(commandLine, showCommand);

    g_appModule.Term();
    ::CoUninitialize();
    return result;
}
