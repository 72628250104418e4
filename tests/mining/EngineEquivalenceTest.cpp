// The engines read a file once and use hash sets; these references follow the
// algorithms step by step (one pass per prefix, list walks from the end, the
// text helpers), so that any difference in entries, order or counts shows.
#include <gtest/gtest.h>

#include <random>

#include "app/TextHelpers.h"
#include "mining/AddressHarvester.h"
#include "mining/LinkMiner.h"
#include "tests/support/TestSupport.h"

namespace ledgerly {

// Readable failures: the entry's tag and icon.
void PrintTo(const MinerEntry& e, std::ostream* os) { *os << '[' << e.tag << ' ' << e.icon << ']'; }

namespace {

using test::FakeHost;
using test::TempDir;
using test::WriteFile;

std::vector<std::string> SplitLines(const std::string& bytes) {
    std::vector<std::string> lines;
    std::string current;
    bool pending = false;
    for (std::size_t i = 0; i < bytes.size(); ++i) {
        const char c = bytes[i];
        if (c == '\r' || c == '\n') {
            lines.push_back(current);
            current.clear();
            pending = false;
            if (c == '\r' && i + 1 < bytes.size() && bytes[i + 1] == '\n') ++i;
        } else {
            current.push_back(c);
            pending = true;
        }
    }
    if (pending) lines.push_back(current);
    return lines;
}

std::string ReferenceCut(std::string value) {
    const char terminators[] = {'\r', '\n', ',', ' ', '<', '>', '`', '+', '|', '(', ')', '^', '!', '~', '$', '\'', '"', '\t', ';', '[', ']'};
    for (char t : terminators) {
        const std::string s(1, t);
        if (FindText(value, s) > 0) value = TextBefore(value, s);
    }
    return value;
}

struct Reference {
    std::vector<MinerEntry> entries;
    std::int64_t count = 0;
};

Reference ReferenceMine(const std::vector<std::string>& fileLines, const LinkSwitches& switches) {
    Reference r;
    for (const LinkKindInfo& kind : LinkKinds()) {
        if (!switches[static_cast<std::size_t>(kind.kind)]) continue;
        for (const std::string& p : kind.prefixes) {
            const std::size_t L = p.size();
            const char c = p[0];
            for (std::string line : fileLines) {  // one pass over the file per prefix
                std::size_t pos = FindText(line, p);
                while (pos >= 1) {
                    line = TextAfter(line, p);
                    const std::string link = ReferenceCut(std::string(1, c) + line);
                    bool duplicate = false;
                    for (std::size_t i = r.entries.size(); i-- > 0;)
                        if (EqualsNoCase(r.entries[i].tag, link)) {
                            duplicate = true;
                            break;
                        }
                    if (!duplicate) {
                        if (link.size() > L) r.entries.push_back(MinerEntry{link.substr(L), link, kind.iconKey});
                        ++r.count;
                    }
                    line = line.size() >= L - 1 ? line.substr(L - 1) : std::string();
                    pos = FindText(line, p);
                }
            }
        }
    }
    return r;
}

std::string ReferenceIsolate(const std::string& text) {
    const char separators[] = {',', ' ', ':', '-', '<', '>', '`', '\\', '/', '+', '=', '|', '(', ')', '&', '^', '%', '!', '~', '$', '\'', '"', '\t', ';'};
    std::string left = TextBefore(text, "@");
    std::string right = TextAfter(text, "@");
    for (char s : separators)
        if (FindText(left, std::string(1, s)) > 0) left = TextAfterLast(left, std::string(1, s));
    for (char s : separators)
        if (FindText(right, std::string(1, s)) > 0) right = TextBefore(right, std::string(1, s));
    return left + "@" + right;
}

Reference ReferenceHarvest(const std::vector<std::string>& fileLines) {
    Reference r;
    auto offer = [&r](const std::string& candidate) {
        if (candidate.size() < 2 || candidate == "???@???") return;
        for (std::size_t i = r.entries.size(); i-- > 0;)
            if (r.entries[i].text == candidate) return;
        r.entries.push_back(MinerEntry{candidate, candidate, "e_mail"});
        ++r.count;
    };
    for (std::string line : fileLines) {
        if (FindText(line, "@") == 0) continue;
        offer(ReferenceIsolate(line));
        while (CountOccurrences(line, "@") >= 2) {
            const std::string before = TextBefore(line, "@");
            const std::string rest = line.substr(before.size() + 1);
            offer(ReferenceIsolate(rest));
            line = rest;
        }
    }
    return r;
}

// Mail-like lines mixing prefixes in every case, separators, terminators,
// accented letters, delimiter lines and the three kinds of line break.
std::string RandomMailbox(std::mt19937& rng, int lineCount) {
    const std::vector<std::string> pieces = {
        "mailto:", "MAILTO:", "MailTo:", "http://", "HTTP://", "https://", "file://", "ftp://", "tel://", "telnet://",
        "TelNet://", "news://", "nntp://", "ph://", "graph://", "finger://", "rtsp://", "x-eudora-option:", "X-Eudora-Option:",
        "@", "@", "@", "a", "b", "ab", "Ab", "AB", "x.y", "\xC9", "\xE9", "\xC0t", "\xE0T", "???@???", "From ???@??? Mon",
        " ", " ", ",", "<", ">", "(", ")", "-", ":", "/", "\\", "=", "&", "%", "?", "#", "[", "]", "{", "'", "\"", "\t", ";",
        "+", "|", "^", "!", "~", "$", "`", ".", "_", "0", "42"};
    const std::vector<std::string> breaks = {"\r\n", "\r\n", "\r\n", "\r", "\n"};
    std::uniform_int_distribution<std::size_t> piece(0, pieces.size() - 1), brk(0, breaks.size() - 1);
    std::uniform_int_distribution<int> length(0, 14);
    std::string out;
    for (int i = 0; i < lineCount; ++i) {
        const int n = length(rng);
        for (int k = 0; k < n; ++k) out += pieces[piece(rng)];
        out += breaks[brk(rng)];
    }
    return out;
}

TEST(EngineEquivalence, FastEnginesMatchTheLineByLineAlgorithms) {
    std::mt19937 rng(20261207);
    TempDir dir;
    AppState state;
    FakeHost host(state);
    ToolContext context{state, host};
    std::vector<LinkSwitches> switchSets{AllKinds()};
    for (const LinkKindInfo& k : LinkKinds()) switchSets.push_back(OnlyKind(k.kind));
    for (int round = 0; round < 12; ++round) {
        const std::string content = RandomMailbox(rng, 400);
        WriteFile(dir / "R.mbx", content);
        const std::vector<std::string> lines = SplitLines(content);
        for (const LinkSwitches& s : switchSets) {
            const Reference expected = ReferenceMine(lines, s);
            const std::optional<MinerResult> got = MineLinks(context, dir / "R.mbx", s);
            ASSERT_TRUE(got);
            ASSERT_EQ(got->entries, expected.entries) << "round " << round;
            ASSERT_EQ(got->count, expected.count) << "round " << round;
        }
        const Reference expected = ReferenceHarvest(lines);
        const std::optional<MinerResult> got = HarvestAddresses(context, dir / "R.mbx");
        ASSERT_TRUE(got);
        ASSERT_EQ(got->entries, expected.entries) << "round " << round;
        ASSERT_EQ(got->count, expected.count) << "round " << round;
        EXPECT_GT(expected.entries.size(), 10u);  // the generator does produce material
    }
}

}  // namespace
}  // namespace ledgerly
