#pragma once
#include "registry/Registry.h"

// A registry whose heap blocks come from the process heap. The walk takes
// and gives back a few buffers for every key; the last few blocks given
// back are kept and handed out again, so that a walk of a large registry
// does not call the heap several times a key.
template <typename Char>
class ProcessHeapRegistry : public IRegistry<Char> {
public:
    ~ProcessHeapRegistry() override;
    char* Allocate(size_t bytes) override;
    void Free(char* block) override;

private:
    static constexpr size_t kKept = 8;
    static constexpr size_t kLargestKept = 64 * 1024;
    char* m_blocks[kKept] = {};
    size_t m_sizes[kKept] = {};
    size_t m_kept = 0;
};
