// The date reader on arbitrary "Date: " values: a date it accepts is a real
// calendar date and clock time, and the summary text it formats fits the
// summary's date field and reads back as the same date and time.
#include <cstdint>
#include <cstdlib>
#include <string>

#include "flagging/DateReader.h"

using ledgerly::HeaderDateTime;

namespace {
bool Valid(const HeaderDateTime& t) {
    static const int kDays[] = {31, 29, 31, 30, 31, 30, 31, 31, 30, 31, 30, 31};
    if (t.year < 0 || t.year > 9999 || t.month < 1 || t.month > 12 || t.hour < 0 || t.hour > 23 || t.minute < 0 || t.minute > 59)
        return false;
    const bool leap = (t.year % 4 == 0 && t.year % 100 != 0) || t.year % 400 == 0;
    const int days = t.month == 2 && !leap ? 28 : kDays[t.month - 1];
    return t.day >= 1 && t.day <= days;
}
bool Same(const HeaderDateTime& a, const HeaderDateTime& b) {
    return a.year == b.year && a.month == b.month && a.day == b.day && a.hour == b.hour && a.minute == b.minute;
}
}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    const std::string value(reinterpret_cast<const char*>(data), size);
    const auto t = ledgerly::ReadHeaderDate(value);
    if (!t) return 0;
    if (!Valid(*t)) std::abort();
    const std::string text = ledgerly::FormatSummaryDate(*t);
    if (text.size() >= 28) std::abort();  // the date field keeps a NUL inside its first 28 bytes
    const auto again = ledgerly::ReadHeaderDate(text);
    if (!again || !Same(*again, *t)) std::abort();
    return 0;
}
