#pragma once
// kestrin-find's /J output: one JSON object per hit, written and flushed as
// the walk finds it, then one summary object; UTF-8, one object a line.
#include <cstdio>
#include <string>

#include "engine/SearchCounters.h"
#include "engine/SearchHitListener.h"

class JsonLinesWriter final : public ISearchHitListener {
public:
    explicit JsonLinesWriter(std::FILE* out) : m_out(out) {}
    void OnKeyHit(const char* keyPath) override;
    void OnValueHit(const ValueHit& hit) override;
    void OnKeyHit(const wchar_t* keyPath) override;
    void OnValueHit(const WideValueHit& hit) override;
    // The last line: the report's path (null without one), the counters and
    // the exit code.
    void WriteSummary(const char* report, const SearchCounters& counters, int exitCode);

private:
    template <typename Char>
    void WriteKeyHit(const Char* keyPath);
    template <typename Char>
    void WriteValueHit(const BasicValueHit<Char>& hit);
    void WriteLine(const std::string& line);
    std::FILE* m_out;
};
