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
