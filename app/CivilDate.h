#pragma once
// Calendar dates from days since 1970-01-01 (proleptic Gregorian), without
// the C library's time zone or range limits.
#include <cstdint>

namespace ledgerly {

struct CivilDate {
    std::int64_t year = 1970;
    int month = 1;  // 1-12
    int day = 1;    // 1-31
};

inline CivilDate CivilFromDays(std::int64_t days) {
    days += 719468;
    const std::int64_t era = (days >= 0 ? days : days - 146096) / 146097;
    const std::int64_t doe = days - era * 146097;
    const std::int64_t yoe = (doe - doe / 1460 + doe / 36524 - doe / 146096) / 365;
    const std::int64_t doy = doe - (365 * yoe + yoe / 4 - yoe / 100);
    const std::int64_t mp = (5 * doy + 2) / 153;
    CivilDate d;
    d.day = static_cast<int>(doy - (153 * mp + 2) / 5 + 1);
    d.month = static_cast<int>(mp < 10 ? mp + 3 : mp - 9);
    d.year = yoe + era * 400 + (d.month <= 2 ? 1 : 0);
    return d;
}

}  // namespace ledgerly
