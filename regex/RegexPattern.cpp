#include "regex/RegexPattern.h"

#include <algorithm>
#include <boost/regex.hpp>
#include <iterator>

#include "base/WideCase.h"

namespace {

// The C run-time's classes and collation, with case folding from Kestrin's
// own table instead of towlower, which follows the C run-time's locale.
struct FoldingTraits : boost::c_regex_traits<wchar_t> {
    wchar_t translate_nocase(wchar_t c) const { return FoldSimple(c); }
};

using Traits = boost::regex_traits<wchar_t, FoldingTraits>;
using Regex = boost::basic_regex<wchar_t, Traits>;
using Results = boost::match_results<const wchar_t*>;

// The work one match may do, counted in the matcher's states (a step forward
// or back, 10 to 20 ns each). Ordinary expressions take at most about one
// state a character, whatever the length (a literal, a GUID, ^.*\.dll$,
// [a-z]+\d on a megabyte of words), so the budget grows with the string at
// three times that; the base leaves short strings room for some
// backtracking, and the cap bounds what one value can cost, however long, at
// about a fifth of a second. An expression that backtracks without end, such
// as (x+x+)+y on a run of x, spends it all: on 20,000 characters 70,000
// states, about 1.5 ms, where Boost's own budget (below) allowed 10^8 states,
// more than a second. What needs more, such as foo.*bar over a long string
// with many foo and no bar, is given up on like that.
constexpr std::ptrdiff_t kStatesPerCharacter = 3;
constexpr std::ptrdiff_t kBaseStates = 10000;
constexpr std::ptrdiff_t kMaxStates = 10000000;

std::ptrdiff_t StateBudget(std::ptrdiff_t length) {
    const std::ptrdiff_t counted = std::min(length, (kMaxStates - kBaseStates) / kStatesPerCharacter);
    return kBaseStates + counted * kStatesPerCharacter;
}

}  // namespace

// Boost gives each match max(N*S^2, min(N^2, BOOST_REGEX_MAX_STATE_COUNT))
// + 100000 states, N the string's length and S the expression's: the
// square of the length up to 10^8, and never less than S^2 states a
// character, which no definition of BOOST_REGEX_MAX_STATE_COUNT lowers (64
// for (x+x+)+y, 2,500 for a GUID pattern). Its matcher takes the figure from
// this one member, so the matchers of Kestrin's own traits get theirs from
// StateBudget. Debian's Boost 1.81 headers; a Boost whose matcher lacks the
// member fails to compile here.
namespace boost {
namespace BOOST_REGEX_DETAIL_NS {
template <>
void perl_matcher<const wchar_t*, Results::allocator_type, Traits>::estimate_max_state_count(
    std::random_access_iterator_tag*) {
    max_state_count = StateBudget(std::distance(base, last));
}
}  // namespace BOOST_REGEX_DETAIL_NS
}  // namespace boost

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

RegexPattern::Result RegexPattern::Match(const wchar_t* text, size_t length, size_t* start) const {
    // With results, as a caller that wants the match: the overloads without
    // them ask for any match, which makes repeats lazy and loses the skip
    // past a failed leading repeat, four or five states a character instead
    // of one on a long string of words.
    Results results;
    try {
        const bool found = m_compiled->whole
                               ? boost::regex_match(text, text + length, results, m_compiled->regex)
                               : boost::regex_search(text, text + length, results, m_compiled->regex);
        if (found && start) *start = static_cast<size_t>(results[0].first - text);
        return found ? Result::Match : Result::NoMatch;
    } catch (...) {
        // Too complex (StateBudget spent) or out of memory for the
        // matcher's stack of states.
        return Result::GaveUp;
    }
}
