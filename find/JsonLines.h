#pragma once
// kestrin-find's /J output: one JSON object per hit, written and flushed as
// the walk finds it, then one summary object; UTF-8, one object a line.
#include <windows.h>
#include <cstdint>
#include <mutex>
#include <string>
#include <vector>

#include "engine/SearchCounters.h"
#include "engine/SearchHitListener.h"

// A hive file of /H or /O, as the summary names it.
struct JsonHive {
    std::wstring file;  // as given or found
    std::wstring key;   // where it stands
    // The file as read, when it was: its size and SHA-256 in lower-case hex.
    bool read = false;
    uint64_t size = 0;
    std::string sha256;
    bool dirty = false;
    uint32_t replayed = 0;  // log entries
    std::vector<std::wstring> links;  // keys that show its keys again
};

// text (length characters, ANSI code page or UTF-16) as a JSON string in
// UTF-8, quotes included; valid JSON whatever the text.
std::string JsonString(const char* text, size_t length);
std::string JsonString(const wchar_t* text, size_t length);

class JsonLinesWriter {
public:
    // out is borrowed (standard output), not owned. onWriteFailed is called
    // once, on the thread that wrote, when a line could not be written (the
    // reader of a pipe went away); nothing more is written after that.
    JsonLinesWriter(HANDLE out, void (*onWriteFailed)());
    // One hit as the walk tells it (ISearchHitListener); Char is char or
    // wchar_t.
    template <typename Char>
    void WriteKeyHit(std::basic_string_view<Char> keyPath, const FILETIME* lastWrite, const RecordMark& mark,
                     const BasicKeyValues<Char>* keyValues);
    template <typename Char>
    void WriteValueHit(const BasicValueHit<Char>& hit);
    // The last line: the report's path (null without one), the counters,
    // with /H the hives, and the exit code.
    void WriteSummary(const char* report, const SearchCounters& counters, const std::vector<JsonHive>& hives,
                      int exitCode);
    // The summary gives the deleted keys and values searched (/X).
    void CountDeleted() { m_countDeleted = true; }
    // Each hit gives all the values of its key (/A).
    void WithValues() { m_withValues = true; }
    // Writes the lines a console still holds back; called from the thread
    // that shows the progress, at its interval.
    void Flush();
    // True once a line could not be written.
    bool Failed() const;

private:
    void WriteLine(const std::string& line);
    void WriteHeld();
    HANDLE m_out;
    void (*m_onWriteFailed)();
    bool m_console;  // lines are held back and written together
    std::string m_held;
    mutable std::mutex m_lock;  // the walk writes, the progress thread flushes
    bool m_failed = false;
    bool m_countDeleted = false;
    bool m_withValues = false;
};
