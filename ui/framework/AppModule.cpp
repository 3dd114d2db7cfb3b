#include "ui/framework/AppModule.h"

#include <new>

CAppModule::CAppModule() { ::InitializeCriticalSection(&m_lock); }

CAppModule::~CAppModule() {
    Term();
    ::DeleteCriticalSection(&m_lock);
}

BOOL CAppModule::Init(HINSTANCE instance) {
    m_instance = instance;
    m_mainThreadId = ::GetCurrentThreadId();
    Lock lock(m_lock);
    m_loops.reset(new (std::nothrow) std::map<DWORD, CMessageLoop*>());
    return m_loops != nullptr;
}

void CAppModule::Term() {
    Lock lock(m_lock);
    m_loops.reset();
}

BOOL CAppModule::AddMessageLoop(CMessageLoop* loop) {
    if (!loop) return FALSE;
    Lock lock(m_lock);
    if (!m_loops) return FALSE;
    try {
        return m_loops->emplace(::GetCurrentThreadId(), loop).second ? TRUE : FALSE;
    } catch (...) {
        return FALSE;
    }
}

BOOL CAppModule::RemoveMessageLoop() {
    Lock lock(m_lock);
    return m_loops && m_loops->erase(::GetCurrentThreadId()) ? TRUE : FALSE;
}

CMessageLoop* CAppModule::GetMessageLoop(DWORD threadId) const {
    Lock lock(m_lock);
    if (!m_loops) return nullptr;
    auto found = m_loops->find(threadId);
    return found == m_loops->end() ? nullptr : found->second;
}
