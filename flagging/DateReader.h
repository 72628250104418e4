#pragma once
// Reads the date and clock time of a "Date: " header value and formats it the
// way the mailbox window's date column is stored.
#include <optional>
#include <string>
#include <string_view>

namespace ledgerly {

struct HeaderDateTime {
    int year = 0;    // four digits
    int month = 0;   // 1-12
    int day = 0;     // 1-31, valid for the month
    int hour = 0;    // 0-23
    int minute = 0;  // 0-59
};

// The date and the hours and minutes as written in the value; whatever follows
// the minutes (seconds, zone, comments) is ignored and the time is not moved to
// another zone. Readable forms:
//   RFC 5322 and its obsolete forms: [Mon,] 12 Jan 2004 15:05[:09] [+0100|GMT|EST|Z] [(comment)]
//   with two- or three-digit years and comments anywhere;
//   'Jan 12, 2004 10:00', 'Mon Jan 12 10:00:00 2004' (asctime);
//   '1/12/2004 10:00' (month first), '2004-01-12 10:00', '2004-01-12T10:00',
//   '12-Jan-2004 10:00'; a clock time followed by AM or PM; the time before the date.
// A value without a clock time, or with an impossible date or time, gives nullopt.
std::optional<HeaderDateTime> ReadHeaderDate(std::string_view value);

// "Hh:Nn AM/PM m/d/yyyy": '03:05 PM 1/12/2004'.
std::string FormatSummaryDate(const HeaderDateTime& t);

}  // namespace ledgerly
