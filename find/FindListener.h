#pragma once
// What kestrin-find hears from the walk: with /J each hit goes to the JSON
// Lines writer, and whatever the regular expression gave up on is told on
// standard error, once for each key name or value.
#include <atomic>
#include <cstdio>

#include "engine/SearchHitListener.h"
#include "find/JsonLines.h"

class FindListener final : public ISearchHitListener {
public:
    // json: null without /J. notices: where the give-ups are told.
    FindListener(JsonLinesWriter* json, std::FILE* notices) : m_json(json), m_notices(notices) {}
    void OnKeyHit(std::string_view keyPath, const FILETIME* lastWrite, const RecordMark& mark,
                  const BasicKeyValues<char>* keyValues) override {
        KeyHit(keyPath, lastWrite, mark, keyValues);
    }
    void OnKeyHit(std::wstring_view keyPath, const FILETIME* lastWrite, const RecordMark& mark,
                  const BasicKeyValues<wchar_t>* keyValues) override {
        KeyHit(keyPath, lastWrite, mark, keyValues);
    }
    void OnValueHit(const ValueHit& hit) override { ValueHitOf(hit); }
    void OnValueHit(const WideValueHit& hit) override { ValueHitOf(hit); }
    void OnNotSearched(std::string_view keyPath, const char* name, DWORD nameLength) override;
    void OnNotSearched(std::wstring_view keyPath, const wchar_t* name, DWORD nameLength) override;
    // True once something was not searched.
    bool NotSearched() const { return m_notSearched.load(std::memory_order_relaxed); }

private:
    template <typename Char>
    void KeyHit(std::basic_string_view<Char> keyPath, const FILETIME* lastWrite, const RecordMark& mark,
                const BasicKeyValues<Char>* keyValues) {
        if (m_json) m_json->WriteKeyHit(keyPath, lastWrite, mark, keyValues);
    }
    template <typename Char>
    void ValueHitOf(const BasicValueHit<Char>& hit) {
        if (m_json) m_json->WriteValueHit(hit);
    }
    void Notice(const std::string& keyPath, const std::string* name);

    JsonLinesWriter* m_json;
    std::FILE* m_notices;
    std::atomic<bool> m_notSearched{false};
};
