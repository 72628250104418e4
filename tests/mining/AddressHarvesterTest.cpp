#include <gtest/gtest.h>

#include "mining/AddressHarvester.h"
#include "tests/support/TestSupport.h"

namespace ledgerly {
namespace {

using test::FakeHost;
using test::TempDir;
using test::WriteFile;

TEST(IsolateAddress, CutsAtTheNearestSeparatorOnEachSide) {
    struct Case { std::string in, out; };
    const Case cases[] = {
        {"To: Ann <a@b.c>, d@b.c", "a@b.c"},
        {"m-a@n-o.p", "a@n"},
        {"[j@k.l]", "[j@k.l]"},
        {"x@y@z", "x@y@z"},
        {"mailto:q@r.s?subject=hi", "q@r.s?subject"},
        {"say \"p@q\";", "p@q"},
        {"a\\b/c@d%e", "c@d"},
        {"tab\tt@u\tv", "t@u"},
        {"@", "@"},
        {"", "@"},
    };
    for (const Case& c : cases) EXPECT_EQ(IsolateAddress(c.in), c.out) << c.in;
}

struct HarvestRun {
    MinerResult result;
    std::vector<std::string> statuses;
    int waits = 0;
};

HarvestRun Harvest(const std::string& content) {
    TempDir dir;
    AppState state;
    FakeHost host(state);
    ToolContext context{state, host};
    WriteFile(dir / "In.mbx", content);
    std::optional<MinerResult> r = HarvestAddresses(context, dir / "In.mbx");
    EXPECT_TRUE(r.has_value());
    HarvestRun run;
    if (r) run.result = *r;
    run.statuses = host.statuses;
    run.waits = host.waits;
    return run;
}

TEST(HarvestAddresses, FindsAddressesAsTheEdgeCasesDescribe) {
    struct Case {
        const char* name;
        std::string content;
        std::vector<std::string> addresses;
    };
    const Case cases[] = {
        {"the delimiter address is never listed", "From ???@??? Mon Dec 13 18:45:29 2010\r\nFrom ???@???\r\n", {}},
        {"two addresses of a header line", "To: Ann <a@b.c>, d@b.c\r\n", {"a@b.c", "d@b.c"}},
        {"the comparison keeps case", "A.B@C.d\r\na.b@c.d\r\nA.B@C.d\r\n", {"A.B@C.d", "a.b@c.d"}},
        {"the hyphen separates on both sides", "m-a@n-o.p\r\n", {"a@n"}},
        {"brackets are not separators", "[j@k.l]\r\n", {"[j@k.l]"}},
        {"a lone sign is dropped, one-sided addresses are not", "@\r\na@\r\n@b\r\n", {"a@", "@b"}},
        {"one candidate per sign", "x@y@z\r\n", {"x@y@z", "y@z"}},
        {"after mailto:", "<mailto:q@r.s>\r\n", {"q@r.s"}},
        {"LF alone and CR alone end lines", "a@b\nc@d\re@f", {"a@b", "c@d", "e@f"}},
        {"an address far beyond character 32767", std::string(40000, 'x') + " far@away\r\n", {"far@away"}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        const HarvestRun run = Harvest(c.content);
        std::vector<std::string> texts, tags;
        for (const MinerEntry& e : run.result.entries) {
            texts.push_back(e.text);
            tags.push_back(e.tag);
            EXPECT_EQ(e.icon, "e_mail");
        }
        EXPECT_EQ(texts, c.addresses);
        EXPECT_EQ(tags, c.addresses);
        EXPECT_EQ(run.result.count, static_cast<std::int64_t>(c.addresses.size()));
        EXPECT_EQ(run.result.windowCaption, "In: " + std::to_string(c.addresses.size()) + " E-Mail Addresses");
        // The status bar shows the bare count of each address added.
        std::vector<std::string> expected;
        for (std::size_t i = 1; i <= c.addresses.size(); ++i) expected.push_back(std::to_string(i));
        EXPECT_EQ(run.statuses, expected);
    }
}

TEST(HarvestAddresses, PausesAfterEveryHundredthLine) {
    struct Case { int lines; int waits; };
    for (const Case c : {Case{99, 0}, Case{100, 1}, Case{250, 2}, Case{300, 3}}) {
        std::string content;
        for (int i = 0; i < c.lines; ++i) content += (i % 2 ? "no sign here\r\n" : "p@q\r\n");
        EXPECT_EQ(Harvest(content).waits, c.waits) << c.lines;
    }
}

TEST(HarvestAddresses, WindowStateOfAnAddressRun) {
    TempDir dir;
    AppState state;
    state.paths.AddressHistoryPath = dir / "History.lst";
    FakeHost host(state);
    ToolContext context{state, host};
    WriteFile(dir / "Inbox.mbx", "From ???@??? Mon\r\n");
    std::optional<MinerResult> r = HarvestAddresses(context, dir / "Inbox.mbx");
    ASSERT_TRUE(r);
    EXPECT_EQ(r->columnCaption, "E-Mail Addresses");
    EXPECT_EQ(r->windowCaption, "Inbox: 0 E-Mail Addresses");
    EXPECT_EQ(r->windowIcon, "hat");
    EXPECT_FALSE(r->executeVisible);
    EXPECT_TRUE(r->addressBookVisible);
    EXPECT_TRUE(r->composeVisible);
    EXPECT_EQ(r->historyCaption, "Add to Address &History");
    EXPECT_FALSE(r->historyEnabled);
    WriteFile(dir / "History.lst", "");
    EXPECT_TRUE(HarvestAddresses(context, dir / "Inbox.mbx")->historyEnabled);
    EXPECT_FALSE(HarvestAddresses(context, dir / "Nope.mbx").has_value());
}

}  // namespace
}  // namespace ledgerly
