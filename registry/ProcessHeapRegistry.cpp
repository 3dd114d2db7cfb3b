#include "registry/ProcessHeapRegistry.h"

template <typename Char>
ProcessHeapRegistry<Char>::~ProcessHeapRegistry() {
    for (size_t i = 0; i < m_kept; ++i) ::HeapFree(::GetProcessHeap(), 0, m_blocks[i]);
}

template <typename Char>
char* ProcessHeapRegistry<Char>::Allocate(size_t bytes) {
    for (size_t i = 0; i < m_kept; ++i) {
        if (m_sizes[i] < bytes) continue;
        char* block = m_blocks[i];
        --m_kept;
        m_blocks[i] = m_blocks[m_kept];
        m_sizes[i] = m_sizes[m_kept];
        return block;
    }
    // HeapAlloc does not set the last error itself; the walk reports it.
    void* block = ::HeapAlloc(::GetProcessHeap(), 0, bytes);
    if (!block) ::SetLastError(ERROR_NOT_ENOUGH_MEMORY);
    return static_cast<char*>(block);
}

template <typename Char>
void ProcessHeapRegistry<Char>::Free(char* block) {
    const SIZE_T size = block ? ::HeapSize(::GetProcessHeap(), 0, block) : 0;
    if (block && m_kept < kKept && size != static_cast<SIZE_T>(-1) && size <= kLargestKept) {
        m_blocks[m_kept] = block;
        m_sizes[m_kept] = size;
        ++m_kept;
        return;
    }
    ::HeapFree(::GetProcessHeap(), 0, block);
}

template class ProcessHeapRegistry<char>;
template class ProcessHeapRegistry<wchar_t>;
