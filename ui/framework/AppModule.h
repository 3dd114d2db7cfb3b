#pragma once
// The application module: the instance handle, the main thread and the map
// from thread identifiers to their message loops, so that a dialog can find
// the loop of the thread it runs on while it initialises.
#include <windows.h>
#include <map>
#include <memory>

class CMessageLoop;

class CAppModule {
public:
    CAppModule();
    ~CAppModule();
    CAppModule(const CAppModule&) = delete;
    CAppModule& operator=(const CAppModule&) = delete;

    // Makes the calling thread the main thread and creates the loop map.
    // FALSE when the map cannot be made; the module then finds no loops.
    BOOL Init(HINSTANCE instance);
    // Forgets every loop (the loops themselves are not owned).
    void Term();

    HINSTANCE GetModuleInstance() const { return m_instance; }
    DWORD GetMainThreadId() const { return m_mainThreadId; }

    // Registers loop for the calling thread; FALSE when the module has no map
    // or the thread already has a loop. The loop is not owned.
    BOOL AddMessageLoop(CMessageLoop* loop);
    // Unregisters the calling thread's loop; FALSE when it had none.
    BOOL RemoveMessageLoop();
    // The loop registered for threadId, or null.
    CMessageLoop* GetMessageLoop(DWORD threadId = ::GetCurrentThreadId()) const;

private:
    // Holds the module's lock for one scope.
    class Lock {
    public:
        explicit Lock(CRITICAL_SECTION& section) : m_section(section) { ::EnterCriticalSection(&m_section); }
        ~Lock() { ::LeaveCriticalSection(&m_section); }
        Lock(const Lock&) = delete;
        Lock& operator=(const Lock&) = delete;

    private:
        CRITICAL_SECTION& m_section;
    };

    HINSTANCE m_instance = nullptr;
    DWORD m_mainThreadId = 0;
    mutable CRITICAL_SECTION m_lock;
    std::unique_ptr<std::map<DWORD, CMessageLoop*>> m_loops;
};

// The application's one module object, defined by the program that links the
// framework (before any other static object that uses it).
extern CAppModule g_appModule;
