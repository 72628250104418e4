#include <gtest/gtest.h>

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

}  // namespace
}  // namespace ledgerly
