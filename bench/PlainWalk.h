#pragma once
#include "registry/Registry.h"

// The baseline a search is measured against: a depth-first walk of the four
// roots that makes the same open, query, enumerate and close calls as the
// search, with the same buffer sizes, but matches and writes nothing.
struct PlainWalkCounts {
    long keys = 0;
    long values = 0;
};

PlainWalkCounts PlainWalkAllRoots(INarrowRegistry& registry);
