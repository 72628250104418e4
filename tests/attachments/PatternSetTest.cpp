#include <gtest/gtest.h>

#include <random>
#include <string>
#include <vector>

#include "attachments/LinkRepair.h"
#include "attachments/PatternSet.h"
#include "attachments/References.h"

using namespace ledgerly;

namespace {

std::vector<int> NaivePresent(const std::vector<std::string>& patterns, const std::string& text) {
    std::vector<int> out;
    for (std::size_t id = 0; id < patterns.size(); ++id) {
        if (patterns[id].empty() || text.find(patterns[id]) == std::string::npos) continue;
        bool repeat = false;
        for (std::size_t j = 0; j < id; ++j) repeat = repeat || patterns[j] == patterns[id];
        if (!repeat) out.push_back(static_cast<int>(id));
    }
    return out;
}

struct PatternCase {
    const char* name;
    std::vector<std::string> patterns;
    std::string text;
    std::vector<int> present;
};

class PatternSetCases : public ::testing::TestWithParam<PatternCase> {};

TEST_P(PatternSetCases, FindsEveryPatternOnce) {
    const PatternCase& c = GetParam();
    EXPECT_EQ(PatternSet(c.patterns).Present(c.text), c.present);
}

INSTANTIATE_TEST_SUITE_P(
    PatternSet, PatternSetCases,
    ::testing::Values(PatternCase{"NoPatterns", {}, "text", {}},
                      PatternCase{"EmptyPatternNeverMatches", {"", "x"}, "x", {1}},
                      PatternCase{"EqualPatternsShareTheFirstId", {"ab", "ab"}, "xxab", {0}},
                      PatternCase{"OneInsideAnother", {"c:\\a\\b.pdf", "b.pdf"}, "see c:\\a\\b.pdf", {0, 1}},
                      PatternCase{"FoundOnlyThroughTheFailChain", {"abcd", "bc"}, "abce", {1}},
                      PatternCase{"SuffixOfARepeatedMatchStillFound", {"aa", "a"}, "aaaa", {0, 1}},
                      PatternCase{"HighBytes", {"\xe9t\xe9"}, "d\xe9t\xe9", {0}},
                      PatternCase{"NulInsideText", {std::string("a\0b", 3)}, std::string("xa\0b", 4), {0}}),
    [](const auto& param) { return std::string(param.param.name); });

// Random patterns over a small alphabet make overlaps and shared prefixes
// common, which is where fail and output links go wrong. A larger alphabet
// gives more first bytes than the vector scan between matches takes.
TEST(PatternSet, AgreesWithSearchingEachPattern) {
    struct Setting {
        std::string alphabet;
        PatternSet::Case compare;
    };
    const Setting settings[] = {{"abc", PatternSet::Case::Exact},
                                {"abcdefghijkl", PatternSet::Case::Exact},
                                {"aAbC\xC9\xE9", PatternSet::Case::IgnoreCase},
                                {"aAbBcCdDeEfF", PatternSet::Case::IgnoreCase}};
    std::mt19937 random(7);
    for (const Setting& setting : settings) {
        const auto word = [&](std::size_t max) {
            std::string s(1 + random() % max, 'a');
            for (char& ch : s) ch = setting.alphabet[random() % setting.alphabet.size()];
            return s;
        };
        const bool fold = setting.compare == PatternSet::Case::IgnoreCase;
        for (int round = 0; round < 300; ++round) {
            std::vector<std::string> patterns;
            for (int k = 0, n = 1 + static_cast<int>(random() % 12); k < n; ++k) patterns.push_back(word(5));
            const std::string text = word(100);
            std::vector<std::string> compared = patterns;
            for (std::string& p : compared) p = fold ? FoldText(p) : p;
            ASSERT_EQ(PatternSet(patterns, setting.compare).Present(text), NaivePresent(compared, fold ? FoldText(text) : text))
                << setting.alphabet << " round " << round << " text " << text;
        }
    }
}

// A row applies to the text the rows before it left, so a new location that
// contains a later row's old path brings that row in.
TEST(LinkEdits, ALaterRowSeesWhatAnEarlierRowWrote) {
    const PathMapper mapper("/nowhere/");
    const std::vector<BrokenLink> rows{
        {"a.pdf", "", "C:\\Old\\a.pdf", "/tmp/C:\\Old\\b.pdf", LinkState::NePostoji},
        {"b.pdf", "", "C:\\OLD\\B.PDF", "", LinkState::ZaBrisanje},
        {"a.pdf", "", "c:\\old\\A.pdf", "/never/a.pdf", LinkState::Postoji}};
    std::string text = "Attachment Converted: \"C:\\Old\\a.pdf\"\r\n";
    EXPECT_EQ(ApplyLinks(text, rows, mapper), 2);
    EXPECT_EQ(text, "Attachment Converted: \"/tmp/\"\r\n");
}

// One prepared set of edits gives, message after message, what applying the
// rows to each message on its own gives.
TEST(LinkEdits, PreparedOnceMatchesRowByRow) {
    const PathMapper mapper("/nowhere/");
    std::vector<BrokenLink> rows;
    for (int k = 0; k < 50; ++k) {
        const std::string name = "f" + std::to_string(k) + ".doc";
        BrokenLink row{name, "", "C:\\Att\\" + name, "", LinkState::Inicijalno};
        if (k % 3 == 0) row.state = LinkState::ZaBrisanje;
        if (k % 3 == 1) row.newLocation = "/new/" + name;
        rows.push_back(row);
    }
    const LinkEdits edits(rows, mapper);
    for (int m = 0; m < 60; ++m) {
        std::string text = "X-Attachments: c:\\att\\f" + std::to_string(m) + ".doc; C:\\ATT\\F" + std::to_string(m / 2) +
                           ".DOC\r\nbody f1.doc\r\n";
        std::string expected = text;
        int expectedChanges = 0;
        for (const BrokenLink& row : rows) {
            const bool remove = row.state == LinkState::ZaBrisanje;
            if (!remove && row.newLocation.empty()) continue;
            if (FoldText(expected).find(FoldText(row.originalLocation)) == std::string::npos) continue;
            expected = ReplaceAllNoCase(expected, row.originalLocation, remove ? "" : row.newLocation);
            ++expectedChanges;
        }
        EXPECT_EQ(edits.Apply(text), expectedChanges) << m;
        EXPECT_EQ(text, expected) << m;
    }
}

}  // namespace
