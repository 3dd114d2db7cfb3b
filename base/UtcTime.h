#pragma once
// FILETIME ticks (100 ns since 1601-01-01, UTC) and their ISO 8601 text, as
// kestrin-find's time ranges, its JSON and the report's key times use them.
#include <windows.h>
#include <cstdint>
#include <string>

constexpr uint64_t kTicksPerSecond = 10000000;
constexpr uint64_t kSecondsPerDay = 86400;
// 1601-01-01, where FILETIME counts from, in days before 1970-01-01.
constexpr int64_t kFileTimeEpochDays = 134774;

inline uint64_t FileTimeTicks(const FILETIME& time) {
    return (static_cast<uint64_t>(time.dwHighDateTime) << 32) | time.dwLowDateTime;
}

// ticks as YYYY-MM-DDThh:mm:ssZ (ISO 8601, UTC, whole seconds).
std::string FormatUtc(uint64_t ticks);
