#include "registry/ProcessHeapRegistry.h"

template <typename Char>
char* ProcessHeapRegistry<Char>::Allocate(size_t bytes) {
    // HeapAlloc does not set the last error itself; the walk reports it.
    void* block = ::HeapAlloc(::GetProcessHeap(), 0, bytes);
    if (!block) ::SetLastError(ERROR_NOT_ENOUGH_MEMORY);
    return static_cast<char*>(block);
}

template <typename Char>
void ProcessHeapRegistry<Char>::Free(char* block) {
    ::HeapFree(::GetProcessHeap(), 0, block);
}

template class ProcessHeapRegistry<char>;
template class ProcessHeapRegistry<wchar_t>;
