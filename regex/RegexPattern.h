#pragma once
// kestrin-find /R: one regular expression, compiled once per run and matched
// against UTF-16 text. The library (Boost.Regex) stays behind this header.
#include <cstddef>
#include <memory>
#include <string>

class RegexPattern {
public:
    enum class Result { NoMatch, Match, GaveUp };

    // Compiles text (Perl syntax). Without matchCase letters compare by
    // Unicode simple case folding; with whole the expression must match the
    // entire candidate, otherwise it may match anywhere in it. Null, with
    // *error naming the position (0-based, in characters) and the reason,
    // when text is not a valid expression.
    static std::unique_ptr<RegexPattern> Compile(const std::wstring& text, bool matchCase, bool whole,
                                                 std::string* error);
    ~RegexPattern();
    RegexPattern(const RegexPattern&) = delete;
    RegexPattern& operator=(const RegexPattern&) = delete;

    // Matches length characters of text. GaveUp when the match's budget of
    // work (it grows with length, up to a cap) or the library's memory for
    // it ran out first: text was not searched. Never throws; one thread at
    // a time. On a match, start (when given) receives the character offset
    // at which it begins.
    Result Match(const wchar_t* text, size_t length, size_t* start = nullptr) const;

private:
    struct Compiled;
    explicit RegexPattern(std::unique_ptr<Compiled> compiled);
    std::unique_ptr<Compiled> m_compiled;
};
