#include <gtest/gtest.h>

#include "app/Encoding.h"
#include "app/ProgressMeter.h"
#include "app/TextHelpers.h"

namespace ledgerly {
namespace {

TEST(TextHelpers, FindTextIgnoresCaseForwardAndKeepsCaseFromTheEnd) {
    EXPECT_EQ(FindText("aXb", "x", false), 2u);
    EXPECT_EQ(FindText("aXb", "x", true), 0u);
    EXPECT_EQ(FindText("caf\xC9 caf\xE9", "\xE9", false), 4u);  // accented letters fold too
}

TEST(TextHelpers, CuttingAroundASeparator) {
    struct Case { const char* text; const char* search; const char* after; const char* before; };
    const Case cases[] = {
        {"name@host", "@", "host", "name"},
        {"abc", "z", "bc", ""},
        {"see http://x", "http://", "ttp://x", "see "},
        {"name", "@", "ame", ""},
    };
    for (const Case& c : cases) {
        EXPECT_EQ(TextAfter(c.text, c.search), c.after) << c.text;
        EXPECT_EQ(TextBefore(c.text, c.search), c.before) << c.text;
    }
    EXPECT_EQ(TextBeforeLast("In.mbx", "."), "In");
    EXPECT_EQ(TextAfterLast("a.b.c", "."), "c");
}

TEST(TextHelpers, CountsAndFilters) {
    EXPECT_EQ(CountOccurrences("a@b@c", "@"), 2);
    EXPECT_EQ(KeepAlphanumerics("Re: Lunch, 12:30?"), "ReLunch1230");
    EXPECT_TRUE(IsAlphanumeric("abc123"));
    EXPECT_FALSE(IsAlphanumeric("ab c"));
    EXPECT_EQ(TrimAtNull(std::string("  Inbox\0junk  ", 14)), "Inbox");
    EXPECT_EQ(TrimAtNull("  no nul  "), "no nul");
}

}  // namespace
}  // namespace ledgerly

namespace ledgerly {
namespace {

TEST(TextHelpers, FindTextEdgeCases) {
    struct Case { const char* text; const char* search; bool fromEnd; std::size_t expected; };
    const Case cases[] = {
        {"", "x", false, 0},     {"abc", "", false, 1},   {"abc", "abcd", false, 0},
        {"a.b.c", ".", true, 4}, {"A.B", "a", true, 0},   {"xXx", "X", false, 1},
        {"mailto:A@B", "MAILTO:", false, 1},
    };
    for (const Case& c : cases) EXPECT_EQ(FindText(c.text, c.search, c.fromEnd), c.expected) << c.text << " / " << c.search;
}

TEST(TextHelpers, CuttingFromTheEnd) {
    EXPECT_EQ(TextBeforeLast("a.b.c", "."), "a.b");
    EXPECT_EQ(TextBeforeLast("abc", "."), "");
    EXPECT_EQ(TextAfterLast("abc", "."), "bc");  // absent: the text less its first character
    EXPECT_EQ(TextAfter("", "x"), "");
    EXPECT_EQ(TextAfter("x", "x"), "");
    EXPECT_EQ(TextAfter("Name@Host", "@HOST"), "Host");  // from the second character of a case-blind match
}

TEST(TextHelpers, CountOccurrencesWithAndWithoutLowerCasing) {
    EXPECT_EQ(CountOccurrences("A@b@C", "a"), 0);
    EXPECT_EQ(CountOccurrences("A@b@a", "a", true), 2);
    EXPECT_EQ(CountOccurrences("", "@"), 0);
    EXPECT_EQ(CountOccurrences("aaa", "aa"), 2);
}

TEST(TextHelpers, AlphanumericsAreTheAsciiLettersAndDigitsOnly) {
    EXPECT_TRUE(IsAlphanumeric(""));
    EXPECT_FALSE(IsAlphanumeric("caf\xE9"));
    EXPECT_FALSE(IsAlphanumeric("a_b"));
    EXPECT_EQ(KeepAlphanumerics("Gr\xFC\xDF" "e, 2010!"), "Gre2010");
    EXPECT_EQ(KeepAlphanumerics(std::string("a\0b", 3)), "ab");
}

TEST(TextHelpers, TrimAtNullEdgeCases) {
    EXPECT_EQ(TrimAtNull(std::string("\0Inbox", 6)), "");
    EXPECT_EQ(TrimAtNull(std::string(32, ' ')), "");
    EXPECT_EQ(TrimAtNull("\tTab "), "\tTab");  // spaces only
    EXPECT_EQ(TrimAtNull(std::string("Caf\xE9\0\xFF\xFF", 7)), "Caf\xE9");
    EXPECT_EQ(ReplaceAll("a--b--", "--", "-"), "a-b-");
    EXPECT_TRUE(EqualsNoCase("\xC4RGER", "\xE4rger"));
}

TEST(TerminalText, ControlCharactersAndStrayBytesAreEscapedCharactersKept) {
    struct Case { std::string in, terminal, json; };
    const Case cases[] = {
        {"Gr\xC3\xBC\xC3\x9F" "e", "Gr\xC3\xBC\xC3\x9F" "e", "\"Gr\xC3\xBC\xC3\x9F" "e\""},
        {"\x1B]0;pwned\x07", "\\x1b]0;pwned\\x07", "\"\\u001b]0;pwned\\u0007\""},  // an escape sequence retitling the terminal
        {"a\tb\r\n", "a\\x09b\\x0d\\x0a", "\"a\\tb\\r\\n\""},
        {"\x7F \xC2\x9B", "\\x7f \\x9b", "\"\\u007f \\u009b\""},             // DEL and the C1 CSI
        {"caf\xE9", "caf\\xe9", "\"caf\xC3\xA9\""},                                // a Latin-1 file name
        {"\xC0\x80 \xED\xA0\x80", "\\xc0\\x80 \\xed\\xa0\\x80", "\"\xC3\x80\\u0080 \xC3\xAD\xC2\xA0\\u0080\""},  // overlong, surrogate
        {"\"q\" \\", "\"q\" \\", "\"\\\"q\\\" \\\\\""},
        {"\xE2\x82", "\\xe2\\x82", "\"\xC3\xA2\\u0082\""},                       // cut short
    };
    for (const Case& c : cases) {
        EXPECT_EQ(EscapeForTerminal(c.in), c.terminal) << c.in;
        EXPECT_EQ(JsonString(c.in), c.json) << c.in;
    }
}

TEST(Utf16Text, ConvertsBothWaysAndMarksWhatIsNotText) {
    struct Case { std::string utf8; std::u16string utf16; std::string back; };
    const Case cases[] = {
        {"In.mbx", u"In.mbx", "In.mbx"},
        {"M\xC3\xA4il \xE6\x97\xA5\xE6\x9C\xAC", u"M\u00e4il \u65e5\u672c", "M\xC3\xA4il \xE6\x97\xA5\xE6\x9C\xAC"},
        {"\xF0\x9F\x93\xA7", u"\U0001F4E7", "\xF0\x9F\x93\xA7"},          // outside the BMP: a surrogate pair
        {"caf\xE9", u"caf\uFFFD", "caf\xEF\xBF\xBD"},                           // a Latin-1 byte is not UTF-8
        {"\xED\xA0\x80", u"\uFFFD\uFFFD\uFFFD", "\xEF\xBF\xBD\xEF\xBF\xBD\xEF\xBF\xBD"},  // an encoded surrogate
        {"", u"", ""},
    };
    for (const Case& c : cases) {
        EXPECT_EQ(Utf8ToUtf16(c.utf8), c.utf16) << c.utf8;
        EXPECT_EQ(Utf16ToUtf8(c.utf16), c.back) << c.utf8;
    }
    EXPECT_EQ(Utf16ToUtf8(std::u16string(1, u'\xD800') + u"x"), "\xEF\xBF\xBDx");  // a lone surrogate from the system
}

TEST(Progress, CountsWithThousandsSeparatorsAfterAQuietSecondAtMostTenTimesASecond) {
    const std::pair<std::int64_t, const char*> numbers[] = {{0, "0"}, {999, "999"}, {1000, "1,000"}, {32767, "32,767"},
                                                           {2000000000, "2,000,000,000"}, {-1234, "-1,234"}};
    for (const auto& [n, text] : numbers) EXPECT_EQ(GroupThousands(n), text);
    EXPECT_EQ(ProgressText("strip-html", 12000, 32767, "messages"), "strip-html: 12,000 / 32,767 messages");
    EXPECT_EQ(ProgressText("links", 5000, 0, "lines"), "links: 5,000 lines");

    using std::chrono::milliseconds;
    ProgressMeter meter;
    const auto t0 = ProgressMeter::Clock::time_point{} + std::chrono::hours(1);
    struct Step { int at; const char* what; std::int64_t done; bool drawn; };
    const Step steps[] = {
        {0, "rot13", 1, false}, {999, "rot13", 900, false},   // the first second stays quiet
        {1000, "rot13", 1000, true}, {1050, "rot13", 1050, false}, {1100, "rot13", 1100, true},
        {1150, "update", 1, false}, {2149, "update", 5, false}, {2150, "update", 6, true},  // a new run is quiet again
    };
    for (const Step& s : steps) {
        const auto line = meter.Update(s.what, s.done, 32767, "messages", t0 + milliseconds(s.at));
        EXPECT_EQ(line.has_value(), s.drawn) << s.at;
        if (line) {
            EXPECT_EQ(*line, ProgressText(s.what, s.done, 32767, "messages"));
        }
    }
}

}  // namespace
}  // namespace ledgerly
