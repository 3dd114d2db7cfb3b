#include "find/TimeRange.h"

#include "base/UtcTime.h"

namespace {

// Days since 1970-01-01 of a date in the proleptic Gregorian calendar.
int64_t DaysFromCivil(int64_t year, unsigned month, unsigned day) {
    year -= month <= 2;
    const int64_t era = (year >= 0 ? year : year - 399) / 400;
    const unsigned yearOfEra = static_cast<unsigned>(year - era * 400);
    const unsigned dayOfYear = (153 * (month + (month > 2 ? -3 : 9)) + 2) / 5 + day - 1;
    const unsigned dayOfEra = yearOfEra * 365 + yearOfEra / 4 - yearOfEra / 100 + dayOfYear;
    return era * 146097 + static_cast<int64_t>(dayOfEra) - 719468;
}

unsigned DaysInMonth(unsigned year, unsigned month) {
    static const unsigned kDays[] = {31, 28, 31, 30, 31, 30, 31, 31, 30, 31, 30, 31};
    const bool leap = year % 4 == 0 && (year % 100 != 0 || year % 400 == 0);
    return month == 2 && leap ? 29 : kDays[month - 1];
}

// Reads exactly `digits` decimal digits at text[*at].
bool Digits(const std::string& text, size_t* at, int digits, unsigned* value) {
    *value = 0;
    for (int i = 0; i < digits; ++i, ++*at) {
        if (*at >= text.size() || text[*at] < '0' || text[*at] > '9') return false;
        *value = *value * 10 + static_cast<unsigned>(text[*at] - '0');
    }
    return true;
}

bool Expect(const std::string& text, size_t* at, char c) { return *at < text.size() && text[(*at)++] == c; }

// A date with an optional time; *span is how long the named unit lasts.
bool ParseStamp(const std::string& text, uint64_t* ticks, uint64_t* span) {
    size_t at = 0;
    unsigned year, month, day, hour = 0, minute = 0, second = 0;
    if (!Digits(text, &at, 4, &year) || !Expect(text, &at, '-') || !Digits(text, &at, 2, &month) ||
        !Expect(text, &at, '-') || !Digits(text, &at, 2, &day))
        return false;
    *span = kSecondsPerDay;
    if (at < text.size()) {
        if (!Expect(text, &at, 'T') || !Digits(text, &at, 2, &hour) || !Expect(text, &at, ':') ||
            !Digits(text, &at, 2, &minute))
            return false;
        *span = 60;
        if (at < text.size()) {
            if (!Expect(text, &at, ':') || !Digits(text, &at, 2, &second)) return false;
            *span = 1;
        }
    }
    if (at != text.size() || year < 1601 || month < 1 || month > 12 || day < 1 || day > DaysInMonth(year, month) ||
        hour > 23 || minute > 59 || second > 59)
        return false;
    const uint64_t days = static_cast<uint64_t>(DaysFromCivil(year, month, day) + kFileTimeEpochDays);
    *ticks = ((days * kSecondsPerDay) + hour * 3600 + minute * 60 + second) * kTicksPerSecond;
    *span *= kTicksPerSecond;
    return true;
}

// A number and m, h or d, counted back from now (not before 1601).
bool ParseAge(const std::string& text, uint64_t now, uint64_t* ticks) {
    // Seven digits at most, so that even days in ticks fit 64 bits.
    if (text.size() < 2 || text.size() > 8) return false;
    uint64_t unit;
    switch (text.back()) {
    case 'm': unit = 60; break;
    case 'h': unit = 3600; break;
    case 'd': unit = kSecondsPerDay; break;
    default: return false;
    }
    uint64_t count = 0;
    for (size_t at = 0; at + 1 < text.size(); ++at) {
        if (text[at] < '0' || text[at] > '9') return false;
        count = count * 10 + static_cast<uint64_t>(text[at] - '0');
    }
    const uint64_t age = count * unit * kTicksPerSecond;
    *ticks = age < now ? now - age : 0;
    return true;
}

// One end of the range; isEnd moves a stamp to the last tick of its unit.
bool ParseEnd(const std::string& text, uint64_t now, bool isEnd, uint64_t* ticks) {
    uint64_t span;
    if (ParseAge(text, now, ticks)) return true;
    if (!ParseStamp(text, ticks, &span)) return false;
    if (isEnd) *ticks += span - 1;
    return true;
}

}  // namespace

bool ParseTimeRange(const std::string& text, uint64_t now, TimeRange* range, std::string* error) {
    const size_t dots = text.find("..");
    const std::string from = text.substr(0, dots);
    const std::string to = dots == std::string::npos ? std::string() : text.substr(dots + 2);
    *range = TimeRange();
    const char* wrong = nullptr;
    if (from.empty() && to.empty())
        wrong = "give FROM, TO or both";
    else if (!from.empty() && !ParseEnd(from, now, false, &range->from))
        wrong = "cannot read FROM";
    else if (!to.empty() && !ParseEnd(to, now, true, &range->to))
        wrong = "cannot read TO";
    else if (range->from > range->to)
        wrong = "FROM is after TO";
    if (!wrong) return true;
    *error = "malformed time range " + text + ": " + wrong +
             " (YYYY-MM-DD, YYYY-MM-DDThh:mm[:ss] in UTC, or an age like 30m, 12h, 7d)";
    return false;
}

std::string DescribeTimeRange(const TimeRange& range, uint64_t now) {
    const std::string from = range.from == 0 ? std::string() : FormatUtc(range.from);
    return from + ".." + FormatUtc(range.to == UINT64_MAX ? now : range.to);
}
