#pragma once
#include "registry/Registry.h"

// A registry whose heap blocks come from the process heap.
template <typename Char>
class ProcessHeapRegistry : public IRegistry<Char> {
public:
    char* Allocate(size_t bytes) override;
    void Free(char* block) override;
};
