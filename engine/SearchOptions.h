#pragma once
// What one search looks at and how it compares: the dialog's five options,
// which the settings file reads and writes through pointers to them
// (OptionFlags), and kestrin-find's additions, which are never saved.
#include <cstdint>

struct SearchOptions {
    // The dialog's options: 0 off, anything else on. Data also tells the
    // report header that typed data was searched (kestrin-find /D).
    int32_t m_lookAtKeys = 0;
    int32_t m_lookAtValues = 1;
    int32_t m_lookAtData = 0;
    int32_t m_wholeString = 0;
    int32_t m_matchCase = 0;
    // Match value names; match the data of REG_MULTI_SZ, REG_DWORD and
    // REG_QWORD values. Off in the dialog, so that its walk stays what it
    // always was.
    bool m_lookAtNames = false;
    bool m_lookAtTypedData = false;
    // Look for the text inside the data of every type that is neither a
    // string nor a number (kestrin-find /B).
    bool m_lookAtBinary = false;
    // Walk through the wide calls, match UTF-16 text and write a UTF-16LE
    // report.
    bool m_unicode = false;
    // Only keys last written within [from, to] (FILETIME ticks, UTC,
    // inclusive) are matched; the others are still walked.
    uint64_t m_modifiedFrom = 0;
    uint64_t m_modifiedTo = UINT64_MAX;
    // kestrin-find /A: a key that holds a hit is written with all its
    // values, and each hit is told with them. /L: every key line is followed
    // by a comment with the key's last write time.
    bool m_allValues = false;
    bool m_lastWrittenLines = false;

    bool TimeFiltered() const { return m_modifiedFrom != 0 || m_modifiedTo != UINT64_MAX; }
};
