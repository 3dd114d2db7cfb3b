// kestrin-plainwalk.exe: the whole-process baseline for kestrin-find. The
// same walk of the four roots with the same registry calls, in a process of
// its own, that matches and writes nothing; prints what it walked.
#include <cstdio>

#include "bench/PlainWalk.h"
#include "registry/LiveRegistry.h"

int main() {
    const PlainWalkCounts counts = PlainWalkAllRoots(LiveRegistries().narrow);
    std::printf("keys %ld, values %ld\n", counts.keys, counts.values);
    return 0;
}
