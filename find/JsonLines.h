#pragma once
// kestrin-find's /J output: one JSON object per hit, written and flushed as
// the walk finds it, then one summary object; UTF-8, one object a line.
#include <cstdint>
#include <cstdio>
#include <string>
#include <vector>

#include "engine/SearchCounters.h"
#include "engine/SearchHitListener.h"

// A hive file of /H, as the summary names it.
struct JsonHive {
    std::wstring file;  // as given
    bool dirty = false;
    uint32_t replayed = 0;  // log entries
};

class JsonLinesWriter final : public ISearchHitListener {
public:
    explicit JsonLinesWriter(std::FILE* out) : m_out(out) {}
    void OnKeyHit(const char* keyPath) override;
    void OnValueHit(const ValueHit& hit) override;
    void OnKeyHit(const wchar_t* keyPath) override;
    void OnValueHit(const WideValueHit& hit) override;
    // The last line: the report's path (null without one), the counters,
    // with /H the hives, and the exit code.
    void WriteSummary(const char* report, const SearchCounters& counters, const std::vector<JsonHive>& hives,
                      int exitCode);

private:
    template <typename Char>
    void WriteKeyHit(const Char* keyPath);
    template <typename Char>
    void WriteValueHit(const BasicValueHit<Char>& hit);
    void WriteLine(const std::string& line);
    std::FILE* m_out;
};
