// libFuzzer's entry: any bytes as a hive file, opened and walked whole (every
// key, value, value's data and name), as the search will.
#include <cstdlib>

#include "hive/HiveWalk.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    hive::Hive hive;
    std::string reason;
    if (!hive.Open(hive::ByteView(data, size), &reason)) {
        // The user is shown the reason: there must be one.
        if (reason.empty()) std::abort();
        return 0;
    }
    for (const hive::Damage& damage : hive_test::WalkHive(hive).damage)
        if (damage.what.empty()) std::abort();
    return 0;
}
