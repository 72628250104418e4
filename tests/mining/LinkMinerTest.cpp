#include <gtest/gtest.h>

#include <set>

#include "mining/LinkMiner.h"
#include "tests/support/TestSupport.h"

namespace ledgerly {
namespace {

using test::FakeHost;
using test::TempDir;
using test::WriteFile;

struct MineRun {
    MinerResult result;
    std::vector<std::string> statuses;
};

MineRun Mine(const std::string& content, const LinkSwitches& switches, const std::string& name = "In.mbx") {
    TempDir dir;
    AppState state;
    FakeHost host(state);
    ToolContext context{state, host};
    WriteFile(dir / name, content);
    std::optional<MinerResult> r = MineLinks(context, dir / name, switches);
    EXPECT_TRUE(r.has_value());
    return MineRun{r ? *r : MinerResult{}, host.statuses};
}

std::vector<std::string> Texts(const MinerResult& r) {
    std::vector<std::string> out;
    for (const MinerEntry& e : r.entries) out.push_back(e.text);
    return out;
}
std::vector<std::string> Tags(const MinerResult& r) {
    std::vector<std::string> out;
    for (const MinerEntry& e : r.entries) out.push_back(e.tag);
    return out;
}

LinkSwitches Kinds(std::initializer_list<LinkKind> kinds) {
    LinkSwitches s{};
    for (LinkKind k : kinds) s[static_cast<std::size_t>(k)] = true;
    return s;
}

TEST(CutLinkAtTerminator, EndsAtTheEarliestTerminator) {
    struct Case { std::string in, out; };
    const Case cases[] = {
        {"http://a(b", "http://a"},
        {"http://a)b,c", "http://a"},
        {"mailto:x;y", "mailto:x"},
        {"http://a#b?c=d&e%20/f:g@h-i.", "http://a#b?c=d&e%20/f:g@h-i."},  // none of these ends a link
        {"http://q\tr", "http://q"},
        {"http://q'r\"s", "http://q"},
        {"http://[v6]", "http://"},
        {"a`b", "a"}, {"a+b", "a"}, {"a|b", "a"}, {"a^b", "a"}, {"a!b", "a"}, {"a~b", "a"}, {"a$b", "a"},
        {"a<b>c", "a"}, {"a b", "a"}, {std::string("a\rb"), "a"}, {std::string("a\nb"), "a"},
        {"", ""},
    };
    for (const Case& c : cases) EXPECT_EQ(CutLinkAtTerminator(c.in), c.out) << c.in;
}

TEST(LinkKinds, TenKindsWithThirteenPrefixesInScanOrder) {
    std::vector<std::string> prefixes, icons;
    for (const LinkKindInfo& k : LinkKinds()) {
        for (const std::string& p : k.prefixes) prefixes.push_back(p);
        icons.push_back(k.iconKey);
    }
    EXPECT_EQ(prefixes, (std::vector<std::string>{"mailto:", "http://", "https://", "file://", "ftp://", "tel://", "telnet://",
                                                  "news://", "nntp://", "ph://", "finger://", "rtsp://", "x-eudora-option:"}));
    EXPECT_EQ(icons, (std::vector<std::string>{"e_mail", "web", "file", "ftp", "telnet", "news", "ph", "finger", "rtsp", "x_options"}));
    EXPECT_EQ(LinkKindByName("options"), LinkKind::EudoraOptions);
    EXPECT_EQ(LinkKindByName("mailto"), LinkKind::EMail);
    EXPECT_EQ(LinkKindByName("e-mail"), LinkKind::EMail);
    EXPECT_FALSE(LinkKindByName("gopher").has_value());
}

TEST(MineLinks, FindsLinksAsTheEdgeCasesDescribe) {
    using K = LinkKind;
    struct Case {
        const char* name;
        std::string content;
        LinkSwitches switches;
        std::vector<std::string> texts, tags;
        std::int64_t count;
        std::string caption;
    };
    const std::string longLine = std::string(40000, 'x') + " mailto:far\r\n";
    const Case cases[] = {
        {"mail link in a sentence", "see <mailto:ab>, or http://cd/e?f=1.\r\n", Kinds({K::EMail}), {"ab"}, {"mailto:ab"}, 1,
         "URL - Mail-To - 1 Links"},
        {"web link keeps its query and full stop", "see <mailto:ab>, or http://cd/e?f=1.\r\n", Kinds({K::Web}), {"cd/e?f=1."},
         {"http://cd/e?f=1."}, 1, "URL - HTTP - 1 Links"},
        {"duplicates compare without case; the first spelling stays", "x MAILTO:Ab\r\nmailto:ab\r\n", Kinds({K::EMail}), {"Ab"},
         {"mAILTO:Ab"}, 1, "URL - Mail-To - 1 Links"},
        {"accented letters fold too", "mailto:\xC9t\xC9\r\nmailto:\xE9t\xE9\r\n", Kinds({K::EMail}), {"\xC9t\xC9"}, {"mailto:\xC9t\xC9"}, 1,
         "URL - Mail-To - 1 Links"},
        {"http before https whatever the file order", "https://cd http://cd\r\n", Kinds({K::Web}), {"cd", "cd"},
         {"http://cd", "https://cd"}, 2, "URL - HTTP - 2 Links"},
        {"bare prefixes count at every occurrence", "mailto: x\r\nmailto:\r\nmailto:<\r\n", Kinds({K::EMail}), {}, {}, 3,
         "URL - Mail-To - 0 Links"},
        {"several links on a line; a break ends a link", "http://a http://b\r\nhttp://c\r\nd\r\n", Kinds({K::Web}), {"a", "b", "c"},
         {"http://a", "http://b", "http://c"}, 3, "URL - HTTP - 3 Links"},
        {"CR alone and LF alone end lines too", "http://a\rhttp://b\nhttp://c", Kinds({K::Web}), {"a", "b", "c"},
         {"http://a", "http://b", "http://c"}, 3, "URL - HTTP - 3 Links"},
        {"no boundary needed before a prefix", "graph://x hotel://y\r\n", Kinds({K::Ph, K::Telnet}), {"y", "x"}, {"tel://y", "ph://x"}, 2,
         "URL - Ph - 2 Links"},
        {"telnet is not found as tel", "telnet://z\r\n", Kinds({K::Telnet}), {"z"}, {"telnet://z"}, 1, "URL - Telnet - 1 Links"},
        {"a prefix inside a link starts another", "mailto:mailto:x\r\n", Kinds({K::EMail}), {"mailto:x", "x"},
         {"mailto:mailto:x", "mailto:x"}, 2, "URL - Mail-To - 2 Links"},
        {"a link far beyond character 32767", longLine, Kinds({K::EMail}), {"far"}, {"mailto:far"}, 1, "URL - Mail-To - 1 Links"},
        {"no links of the kind", "http://a\r\n", Kinds({K::EMail}), {}, {}, 0, "URL - Mail-To - 0 Links"},
        {"the caption names the last kind scanned", "mailto:a http://b\r\n", Kinds({K::EMail, K::Web}), {"a", "b"},
         {"mailto:a", "http://b"}, 2, "URL - HTTP - 2 Links"},
        {"kinds 1 to 6 and options make the All caption", "", Kinds({K::EMail, K::Web, K::Files, K::Ftp, K::Telnet, K::Usenet, K::EudoraOptions}),
         {}, {}, 0, "URL - All - 0 Links"},
        {"nothing switched on", "mailto:a\r\n", LinkSwitches{}, {}, {}, 0, "URL - 0 Links"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        const MineRun run = Mine(c.content, c.switches);
        EXPECT_EQ(Texts(run.result), c.texts);
        EXPECT_EQ(Tags(run.result), c.tags);
        EXPECT_EQ(run.result.count, c.count);
        EXPECT_EQ(run.result.columnCaption, c.caption);
        ASSERT_EQ(run.statuses.size(), static_cast<std::size_t>(c.count));
        if (c.count > 0) {
            EXPECT_EQ(run.statuses.back(), std::to_string(c.count) + " entries");
        }
    }
}

TEST(MineLinks, AllFindsEveryPrefixKindByKindWithItsIcon) {
    // The file lists the links in reverse table order; the window lists them in table order.
    const std::string content =
        "x-eudora-option:o rtsp://r finger://f ph://p nntp://n2 news://n1\r\n"
        "telnet://t2 tel://t1 ftp://f file://l https://h2 http://h1 mailto:m\r\n";
    const MineRun run = Mine(content, AllKinds());
    EXPECT_EQ(Texts(run.result), (std::vector<std::string>{"m", "h1", "h2", "l", "f", "t1", "t2", "n1", "n2", "p", "f", "r", "o"}));
    std::vector<std::string> icons;
    for (const MinerEntry& e : run.result.entries) icons.push_back(e.icon);
    EXPECT_EQ(icons, (std::vector<std::string>{"e_mail", "web", "web", "file", "ftp", "telnet", "telnet", "news", "news", "ph", "finger",
                                               "rtsp", "x_options"}));
    EXPECT_EQ(run.result.columnCaption, "URL - All - 13 Links");
    EXPECT_EQ(run.result.count, 13);
}

TEST(MineLinks, WindowStateOfALinkRun) {
    TempDir dir;
    AppState state;
    state.paths.LinkHistoryPath = dir / "LinkHistory.dat";
    FakeHost host(state);
    ToolContext context{state, host};
    WriteFile(dir / "Work Mail.mbx", "mailto:a\r\n");

    std::optional<MinerResult> r = MineLinks(context, dir / "Work Mail.mbx", OnlyKind(LinkKind::EMail));
    ASSERT_TRUE(r);
    EXPECT_EQ(r->windowCaption, "URL Miner - Work Mail");
    EXPECT_EQ(r->mailboxName, "Work Mail");
    EXPECT_TRUE(r->executeVisible);
    EXPECT_FALSE(r->composeVisible);
    EXPECT_FALSE(r->addressBookVisible);
    EXPECT_EQ(r->historyCaption, "Add to Link &History");
    EXPECT_FALSE(r->historyEnabled);  // no link history file yet
    EXPECT_TRUE(r->windowIcon.empty());

    WriteFile(dir / "LinkHistory.dat", "");
    r = MineLinks(context, dir / "Work Mail.mbx", OnlyKind(LinkKind::EMail));
    ASSERT_TRUE(r);
    EXPECT_TRUE(r->historyEnabled);

    EXPECT_FALSE(MineLinks(context, dir / "Missing.mbx", AllKinds()).has_value());
}

TEST(MineLinks, ListsMoreThan32767DistinctLinks) {
    std::string content;
    for (int i = 0; i < 33000; ++i) content += "mailto:u" + std::to_string(i) + "@x\r\n";
    content += "mailto:U0@X\r\n";  // a duplicate after the 32768th entry
    const MineRun run = Mine(content, OnlyKind(LinkKind::EMail));
    ASSERT_EQ(run.result.entries.size(), 33000u);
    EXPECT_EQ(run.result.entries[32999].text, "u32999@x");
    EXPECT_EQ(run.result.columnCaption, "URL - Mail-To - 33000 Links");
}

}  // namespace
}  // namespace ledgerly
