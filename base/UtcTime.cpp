#include "base/UtcTime.h"

#include <cstdio>

std::string FormatUtc(uint64_t ticks) {
    const uint64_t seconds = ticks / kTicksPerSecond;
    const int64_t days = static_cast<int64_t>(seconds / kSecondsPerDay) - kFileTimeEpochDays;
    const unsigned secondOfDay = static_cast<unsigned>(seconds % kSecondsPerDay);
    // Days since 1970-01-01 to a date of the proleptic Gregorian calendar, by
    // 400-year eras counted from 0000-03-01 (Howard Hinnant's civil_from_days).
    const int64_t shifted = days + 719468;
    const int64_t era = (shifted >= 0 ? shifted : shifted - 146096) / 146097;
    const unsigned dayOfEra = static_cast<unsigned>(shifted - era * 146097);
    const unsigned yearOfEra = (dayOfEra - dayOfEra / 1460 + dayOfEra / 36524 - dayOfEra / 146096) / 365;
    const unsigned dayOfYear = dayOfEra - (365 * yearOfEra + yearOfEra / 4 - yearOfEra / 100);
    const unsigned monthIndex = (5 * dayOfYear + 2) / 153;
    const unsigned day = dayOfYear - (153 * monthIndex + 2) / 5 + 1;
    const unsigned month = monthIndex < 10 ? monthIndex + 3 : monthIndex - 9;
    const int64_t year = static_cast<int64_t>(yearOfEra) + era * 400 + (month <= 2);
    char text[32];
    std::snprintf(text, sizeof text, "%04lld-%02u-%02uT%02u:%02u:%02uZ", static_cast<long long>(year), month, day,
                  secondOfDay / 3600, secondOfDay / 60 % 60, secondOfDay % 60);
    return text;
}
