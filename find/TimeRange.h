#pragma once
// kestrin-find /T FROM[..TO]: a range of last-write times. Times are FILETIME ticks (100 ns since 1601-01-01), UTC.
#include <cstdint>
#include <string>

struct TimeRange {
    uint64_t from = 0;
    uint64_t to = UINT64_MAX;  // inclusive
};

// Parses FROM..TO, FROM.. or ..TO; FROM alone means FROM.. (up to now and
// beyond). Each end is YYYY-MM-DD, YYYY-MM-DDThh:mm or YYYY-MM-DDThh:mm:ss in
// UTC, or an age counted back from now: a number and m, h or d. A TO given
// as a date, minute or second takes in that whole day, minute or second.
// False, with *error saying what is wrong, for anything else, a FROM after
// its TO or a range open at both ends.
bool ParseTimeRange(const std::string& text, uint64_t now, TimeRange* range, std::string* error);

// The range a search uses, for the line that tells it: FROM..TO in
// FormatUtc's form (base/UtcTime.h), an open TO as now (a FROM alone reads as "that day only"
// otherwise) and an open FROM left empty.
std::string DescribeTimeRange(const TimeRange& range, uint64_t now);
