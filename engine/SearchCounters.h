#pragma once
#include <atomic>
#include <cstdint>

// The counters of one search run. The worker alone writes them; the
// dialog reads them without a lock when a progress message arrives, so each
// is a relaxed 32-bit atomic and they need not agree with one another.
struct SearchCounters {
    std::atomic<int32_t> keys;
    std::atomic<int32_t> values;
    std::atomic<int32_t> found;
    // Keys and values recovered from a hive's free space that were searched
    // (kestrin-find /X).
    std::atomic<int32_t> deletedKeys;
    std::atomic<int32_t> deletedValues;

    void Reset() {
        keys.store(0, std::memory_order_relaxed);
        values.store(0, std::memory_order_relaxed);
        found.store(0, std::memory_order_relaxed);
        deletedKeys.store(0, std::memory_order_relaxed);
        deletedValues.store(0, std::memory_order_relaxed);
    }
    // Single writer: a plain load and store is enough and costs no lock.
    static void Bump(std::atomic<int32_t>& counter) {
        counter.store(counter.load(std::memory_order_relaxed) + 1, std::memory_order_relaxed);
    }
    static int32_t Read(const std::atomic<int32_t>& counter) {
        return counter.load(std::memory_order_relaxed);
    }
};
