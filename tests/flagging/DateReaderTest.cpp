#include <gtest/gtest.h>

#include <random>

#include "flagging/DateReader.h"

namespace ledgerly {
namespace {

std::string Read(std::string_view value) {
    const auto t = ReadHeaderDate(value);
    return t ? FormatSummaryDate(*t) : "<unreadable>";
}

TEST(DateReader, ReadsDateAndClockTimeAsWritten) {
    struct Case { const char* value; const char* summary; };
    const Case cases[] = {
        {"Mon, 12 Jan 2004 15:05:09 +0100", "03:05 PM 1/12/2004"},
        {"Mon, 12 Jan 2004 15:05 +0100", "03:05 PM 1/12/2004"},              // no seconds: minutes kept
        {"Mon, 12 Jan 2004 15:05:09 +0100 (CET: Berlin)", "03:05 PM 1/12/2004"},  // colon in a comment
        {"12 Jan 2004 10:00", "10:00 AM 1/12/2004"},
        {"  12 Jan 2004 00:07:00 GMT  ", "12:07 AM 1/12/2004"},
        {"Thu, 1 Jan 2004 12:30:00 -0500", "12:30 PM 1/1/2004"},
        {"Tue, 2 Mar 04 23:59 EST", "11:59 PM 3/2/2004"},                    // two-digit year
        {"2 Mar 99 08:01 PDT", "08:01 AM 3/2/1999"},
        {"2 Mar 104 08:01", "08:01 AM 3/2/2004"},                            // three-digit year
        {"(sent) Tue, (really) 2 Mar 2004 (late) 09:15:00 Z", "09:15 AM 3/2/2004"},
        {"Tuesday, 02-Mar-2004 09:15:00 GMT", "09:15 AM 3/2/2004"},
        {"Sat, 29 Feb 2020 13:00 +0000", "01:00 PM 2/29/2020"},              // leap day
        {"1/12/2004 10:00", "10:00 AM 1/12/2004"},                           // month first
        {"12/31/1999 11:59 PM", "11:59 PM 12/31/1999"},
        {"2004-01-12 10:00", "10:00 AM 1/12/2004"},
        {"2004-01-12T22:10:00Z", "10:10 PM 1/12/2004"},
        {"Jan 12, 2004 10:00", "10:00 AM 1/12/2004"},
        {"Mon Jan 12 10:00:00 2004", "10:00 AM 1/12/2004"},                  // asctime
        {"Mon Jan 12 22 : 00 : 00 2004", "10:00 PM 1/12/2004"},
        {"Mon Jan 12 10:00:00 PM 2004", "10:00 PM 1/12/2004"},
        {"03:05 PM 1/12/2004", "03:05 PM 1/12/2004"},                        // our own form reads back
        {"12 January 2004 10:00", "10:00 AM 1/12/2004"},
        {"12 Sept 2004 10:00", "10:00 AM 9/12/2004"},
        {"12 Jan 2004 15 : 05 : 09 GMT", "03:05 PM 1/12/2004"},             // obsolete spaces around colons
    };
    for (const Case& c : cases) EXPECT_EQ(Read(c.value), c.summary) << c.value;
}

TEST(DateReader, RefusesWhatIsNotADateWithATime) {
    const char* cases[] = {
        "", "   ", "yesterday", "12 Jan 2004",        // no clock time
        "Mon, 12 Jan 2004 15", "31 Feb 2004 10:00",   // no minutes; no such day
        "29 Feb 2003 10:00", "12 Foo 2004 10:00", "12 Jan 2004 24:00", "12 Jan 2004 10:60",
        "13/12/2004 10:00", "0/1/2004 10:00", "12 Jan 20045 10:00", "12 Jan 2004 13:00 PM",
        "Mon,", "(12 Jan 2004 10:00)", "12 Jan 2004 :10", "Mo 12 Jan 2004 10:00",
    };
    for (const char* c : cases) EXPECT_EQ(Read(c), "<unreadable>") << c;
}

TEST(DateReader, AnyBytesAreReadWithoutFault) {
    // Values built from date-like pieces and random bytes: the reader must
    // return (readable or not) without reading outside the value.
    const std::string pieces[] = {"Mon", ",", " ", "12", "Jan", "2004", ":", "15", "05", "(", ")", "\\", "/", "-", "T", "PM", "\xFF", "\0"};
    std::mt19937 rng(7);
    for (int i = 0; i < 3000; ++i) {
        std::string value;
        const int parts = static_cast<int>(rng() % 12);
        for (int j = 0; j < parts; ++j) value += pieces[rng() % std::size(pieces)];
        if (const auto t = ReadHeaderDate(value)) {
            EXPECT_GE(t->month, 1);
            EXPECT_LE(t->month, 12);
            EXPECT_LE(t->hour, 23);
            EXPECT_LE(t->minute, 59);
        }
    }
}

}  // namespace
}  // namespace ledgerly
