#include "regex/RegexPattern.h"

#include <boost/regex.hpp>

#include "base/WideCase.h"

namespace {

// The C run-time's classes and collation, with case folding from Kestrin's
// own table instead of towlower, which follows the C run-time's locale.
struct FoldingTraits : boost::c_regex_traits<wchar_t> {
    wchar_t translate_nocase(wchar_t c) const { return FoldSimple(c); }
};

using Regex = boost::basic_regex<wchar_t, boost::regex_traits<wchar_t, FoldingTraits>>;

}  // namespace

struct RegexPattern::Compiled {
    Regex regex;
    bool whole = false;
};

RegexPattern::RegexPattern(std::unique_ptr<Compiled> compiled) : m_compiled(std::move(compiled)) {}
RegexPattern::~RegexPattern() = default;

std::unique_ptr<RegexPattern> RegexPattern::Compile(const std::wstring& text, bool matchCase, bool whole,
                                                    std::string* error) {
    auto compiled = std::make_unique<Compiled>();
    compiled->whole = whole;
    const auto flags = boost::regex_constants::perl | (matchCase ? 0 : boost::regex_constants::icase);
    try {
        compiled->regex.assign(text, flags);
    } catch (const boost::regex_error& failure) {
        // The library's what() repeats the expression in the narrow code page
        // with its own marker; the position and the reason are enough.
        *error = "invalid regular expression at position " + std::to_string(failure.position()) + ": " +
                 boost::regex_traits<char>().error_string(failure.code());
        return nullptr;
    } catch (const std::exception& failure) {
        *error = std::string("invalid regular expression: ") + failure.what();
        return nullptr;
    }
    return std::unique_ptr<RegexPattern>(new RegexPattern(std::move(compiled)));
}

RegexPattern::Result RegexPattern::Match(const wchar_t* text, size_t length) const {
    try {
        const bool found = m_compiled->whole ? boost::regex_match(text, text + length, m_compiled->regex)
                                             : boost::regex_search(text, text + length, m_compiled->regex);
        return found ? Result::Match : Result::NoMatch;
    } catch (...) {
        // Too complex (the matcher's state budget, which grows with the
        // length of text) or out of memory for its stack of states.
        return Result::GaveUp;
    }
}
