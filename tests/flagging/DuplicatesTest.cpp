#include <gtest/gtest.h>

#include <random>

#include "app/Messages.h"
#include "flagging/Duplicates.h"
#include "flagging/SummaryRefresh.h"
#include "flagging/cCRC.h"
#include "tests/flagging/FlaggingFixture.h"

namespace ledgerly::test {
namespace {

// Records the length of every pause.
class PauseHost : public FakeHost {
public:
    using FakeHost::FakeHost;
    std::vector<int> pauses;
    void Wait(int ms) override {
        pauses.push_back(ms);
        FakeHost::Wait(ms);
    }
};

class DuplicatesTest : public FlaggingTest {
protected:
    PauseHost pauseHost{state};
    ToolContext ctx{state, pauseHost};

    std::vector<std::int32_t> Flagged(std::string_view marker) const {
        std::vector<std::int32_t> out;
        const TocImage toc = Toc();
        for (std::int32_t k = 1; k <= toc.UsableCount(); ++k) {
            const MessageSummary s = toc.ReadSummary(k);
            if (Shown(s.Subject) == marker) {
                EXPECT_EQ(s.Priority, 5) << k;
                out.push_back(k);
            }
        }
        return out;
    }
    // n messages; message k has body bodies[k-1].
    void WriteBodies(const std::vector<std::string>& bodies) {
        MailboxBuilder b;
        for (std::size_t i = 0; i < bodies.size(); ++i) b.Add(ComposeMessage({"Subject: s"}, bodies[i]), "who", "subject " + std::to_string(i + 1));
        Write(b);
    }
    std::vector<std::string> Informed() const { return pauseHost.informed; }
};

using Ints = std::vector<std::int32_t>;

TEST_F(DuplicatesTest, ClassicKeepsTheFirstCopyHashKeepsTheLast) {
    WriteBodies({"same\r\n", "same\r\n", "same\r\n", "other\r\n"});
    const std::string before = Toc().bytes();
    auto classic = FlagDuplicatesClassic(ctx, pair, DuplicateOptions{});
    ASSERT_TRUE(classic.ok());
    EXPECT_EQ(Flagged(kClassicMarker), (Ints{2, 3}));
    EXPECT_EQ(classic->flagged, 2);
    EXPECT_EQ(Informed(), std::vector<std::string>{"Ledgerly|Search Completed. 2 duplicates found."});
    // The marker is padded with spaces; unflagged summaries are untouched.
    const MessageSummary s2 = Summary(2);
    std::array<char, 64> marker{};
    SetTextField(marker, kClassicMarker);
    EXPECT_EQ(s2.Subject, marker);
    EXPECT_EQ(Toc().bytes().substr(0, static_cast<std::size_t>(SummaryOffset(2))), before.substr(0, static_cast<std::size_t>(SummaryOffset(2))));

    WriteFile(pair + "toc", before);
    auto hash = FlagDuplicatesHash(ctx, pair, DuplicateOptions{});
    ASSERT_TRUE(hash.ok());
    EXPECT_EQ(Flagged(kHashMarker), (Ints{1, 2}));
    EXPECT_EQ(pauseHost.informed.back(), "Mark Duplicates (Hash)|Search Completed. 2 duplicates found.");
}

TEST(ComparisonText, LeavesOutTheChosenParts) {
    const std::string m = "From ???@??? Mon\r\nSubject: a\r\n\r\nbody\r\n";
    struct Case { bool delimiters, headers, bodies; std::string text; };
    const Case cases[] = {
        {false, false, false, m},
        {true, false, false, "Subject: a\r\n\r\nbody\r\n"},
        {true, true, false, "body\r\n"},
        {true, false, true, "Subject: a\r"},
        {false, false, true, "From ???@??? Mon\r\nSubject: a\r"},
        {true, true, true, "body\r\n"},  // headers win over bodies
    };
    for (const Case& c : cases) {
        DuplicateOptions o;
        o.ExcludeDelimiters = c.delimiters;
        o.ExcludeHeaders = c.headers;
        o.ExcludeBodies = c.bodies;
        EXPECT_EQ(ComparisonText(m, o), c.text) << c.delimiters << c.headers << c.bodies;
    }
    DuplicateOptions bodies;
    bodies.ExcludeBodies = true;
    EXPECT_EQ(ComparisonText("From ???@???\r\nno empty line\r\n", bodies), "");
    // A message cut short inside its delimiter line, or without an empty line,
    // leaves nothing once that part goes (never a read past its end).
    DuplicateOptions headers;
    headers.ExcludeHeaders = true;
    EXPECT_EQ(ComparisonText("From ???@", DuplicateOptions{}), "");
    EXPECT_EQ(ComparisonText("From ???@???\r\nTo: x\r\n", headers), "");
    EXPECT_EQ(ComparisonText("From ???@???\r\n\r\n", headers), "");
}

TEST_F(DuplicatesTest, OptionsDecideWhatCountsAsACopy) {
    struct Case { std::string first, second; bool delimiters, headers, bodies; bool duplicates; };
    const auto msg = [](std::string delimiterDate, std::vector<std::string> headers, std::string body) {
        return ComposeMessage(headers, body, delimiterDate);
    };
    const std::vector<Case> cases = {
        {msg("Mon Dec 13 18:45:29 2010", {"Subject: a"}, "x\r\n"), msg("Tue Dec 14 09:00:00 2010", {"Subject: a"}, "x\r\n"), true, false, false, true},
        {msg("Mon Dec 13 18:45:29 2010", {"Subject: a"}, "x\r\n"), msg("Tue Dec 14 09:00:00 2010", {"Subject: a"}, "x\r\n"), false, false, false, false},
        {msg("d", {"Subject: a"}, "one\r\n"), msg("d", {"Subject: a"}, "two\r\n"), true, false, true, true},
        {msg("d", {"Subject: a"}, "one\r\n"), msg("d", {"Subject: b"}, "one\r\n"), true, true, false, true},
        {msg("d", {"Subject: a"}, "one\r\n"), msg("d", {"Subject: b"}, "one\r\n"), true, false, false, false},
        {"From ???@??? a\r\nTo: x\r\n", "From ???@??? b\r\nTo: y\r\n", true, false, true, true},  // no empty line: both empty
        {msg("d", {"Subject: a"}, "Body\r\n"), msg("d", {"Subject: a"}, "body\r\n"), true, false, false, false},  // case counts
    };
    for (std::size_t i = 0; i < cases.size(); ++i) {
        const Case& c = cases[i];
        MailboxBuilder b;
        b.Add(c.first, "w", "s1");
        b.Add(c.second, "w", "s2");
        Write(b);
        DuplicateOptions o;
        o.ExcludeDelimiters = c.delimiters;
        o.ExcludeHeaders = c.headers;
        o.ExcludeBodies = c.bodies;
        ASSERT_TRUE(FlagDuplicatesClassic(ctx, pair, o).ok());
        EXPECT_EQ(Flagged(kClassicMarker), c.duplicates ? Ints{2} : Ints{}) << i;
        Write(b);
        ASSERT_TRUE(FlagDuplicatesHash(ctx, pair, o).ok());
        EXPECT_EQ(Flagged(kHashMarker), c.duplicates ? Ints{1} : Ints{}) << i;
    }
}

TEST_F(DuplicatesTest, OneMessageOrNoneFindsNothing) {
    for (std::size_t n : {0u, 1u}) {
        WriteBodies(std::vector<std::string>(n, "x\r\n"));
        const std::string before = Toc().bytes();
        pauseHost.informed.clear();
        ASSERT_TRUE(FlagDuplicatesClassic(ctx, pair, DuplicateOptions{}).ok());
        ASSERT_TRUE(FlagDuplicatesHash(ctx, pair, DuplicateOptions{}).ok());
        EXPECT_EQ(Informed(), (std::vector<std::string>{"Ledgerly|Search Completed. No duplicates found.",
                                                         "Mark Duplicates (Hash)|Search Completed. No duplicates found."}));
        EXPECT_EQ(Toc().bytes(), before);
    }
}

// Every message compared with every earlier one, as the search is defined.
Ints PairwiseWalk(const std::vector<std::string>& texts) {
    Ints flagged;
    for (std::size_t k = 1; k < texts.size(); ++k)
        for (std::size_t m = 0; m < k; ++m)
            if (texts[m] == texts[k]) {
                flagged.push_back(static_cast<std::int32_t>(k + 1));
                break;
            }
    return flagged;
}

TEST_F(DuplicatesTest, RandomMailboxFlagsEqualThoseOfThePairwiseWalk) {
    std::mt19937 rng(20040112);
    const std::string bodies[] = {"a\r\n", "b\r\n", "A\r\n", "", "a\r\n\r\n", "long body text\r\n"};
    const std::string subjects[] = {"Subject: x", "Subject: y", "Subject: x "};
    const std::string dates[] = {"Mon Dec 13 18:45:29 2010", "Tue Dec 14 18:45:29 2010"};
    for (int round = 0; round < 4; ++round) {
        MailboxBuilder b;
        std::vector<std::string> messages;
        for (int i = 0; i < 180; ++i) {
            messages.push_back(ComposeMessage({subjects[rng() % 3]}, bodies[rng() % 6], dates[rng() % 2]));
            b.Add(messages.back(), "w", "s");
        }
        DuplicateOptions o;
        o.ExcludeDelimiters = round != 1;
        o.ExcludeHeaders = round == 2;
        o.ExcludeBodies = round == 3;
        std::vector<std::string> texts;
        for (const std::string& m : messages) texts.push_back(ComparisonText(m, o));
        const Ints expected = PairwiseWalk(texts);
        ASSERT_FALSE(expected.empty());

        Write(b);
        auto dry = FlagDuplicatesClassic(ctx, pair, o, true);
        ASSERT_TRUE(dry.ok());
        EXPECT_EQ(Flagged(kClassicMarker), Ints{});  // a dry run writes nothing
        for (const DuplicateMatch& m : dry->matches) {
            EXPECT_LT(m.copyOf, m.message);
            EXPECT_EQ(texts[static_cast<std::size_t>(m.copyOf - 1)], texts[static_cast<std::size_t>(m.message - 1)]);
            for (std::int32_t e = 1; e < m.copyOf; ++e) EXPECT_NE(texts[static_cast<std::size_t>(e - 1)], texts[static_cast<std::size_t>(m.message - 1)]);
        }
        ASSERT_TRUE(FlagDuplicatesClassic(ctx, pair, o).ok());
        EXPECT_EQ(Flagged(kClassicMarker), expected) << round;
        EXPECT_EQ(pauseHost.informed.back(), "Ledgerly|Search Completed. " + std::to_string(expected.size()) + " duplicates found.");

        // The hash search flags every message whose checksum occurs again later.
        Ints expectedHash;
        cCRC crc;
        for (std::size_t i = 0; i < texts.size(); ++i)
            for (std::size_t j = i + 1; j < texts.size(); ++j)
                if (crc.CalculateString(texts[i]) == crc.CalculateString(texts[j])) {
                    expectedHash.push_back(static_cast<std::int32_t>(i + 1));
                    break;
                }
        Write(b);
        ASSERT_TRUE(FlagDuplicatesHash(ctx, pair, o).ok());
        EXPECT_EQ(Flagged(kHashMarker), expectedHash) << round;
    }
}

TEST_F(DuplicatesTest, SummariesPast150AreFlagged) {
    std::vector<std::string> bodies;
    for (int i = 1; i <= 200; ++i) bodies.push_back("unique " + std::to_string(i) + "\r\n");
    bodies[169] = bodies[154];  // 170 copies 155
    bodies[199] = bodies[2];    // 200 copies 3
    WriteBodies(bodies);
    ASSERT_TRUE(FlagDuplicatesClassic(ctx, pair, DuplicateOptions{}).ok());
    EXPECT_EQ(Flagged(kClassicMarker), (Ints{170, 200}));
    WriteBodies(bodies);
    ASSERT_TRUE(FlagDuplicatesHash(ctx, pair, DuplicateOptions{}).ok());
    EXPECT_EQ(Flagged(kHashMarker), (Ints{3, 155}));
}

TEST_F(DuplicatesTest, ProgressWindowOnlyAbove100Messages) {
    for (std::size_t n : {100u, 101u}) {
        WriteBodies(std::vector<std::string>(n, "same\r\n"));
        pauseHost.progressOpened = pauseHost.progressClosed = 0;
        pauseHost.statuses.clear();
        ASSERT_TRUE(FlagDuplicatesClassic(ctx, pair, DuplicateOptions{}).ok());
        const int expected = n > 100 ? 1 : 0;
        EXPECT_EQ(pauseHost.progressOpened, expected) << n;
        EXPECT_EQ(pauseHost.progressClosed, expected) << n;
        EXPECT_FALSE(state.progress.ProgressShown);
        if (n > 100) {
            EXPECT_EQ(pauseHost.statuses.front(), "Search in progress...");
            EXPECT_EQ(state.progress.Info, std::to_string(n - 1));  // the running count
        } else {
            EXPECT_EQ(pauseHost.statuses.back(), "99");  // the count goes to the status bar
        }
    }
}

TEST_F(DuplicatesTest, PausesFollowTheCpuLevel) {
    WriteBodies(std::vector<std::string>(250, "x\r\n"));
    struct Case { int level; int pause; };
    for (const Case c : {Case{1, 5}, Case{2, 10}, Case{3, 20}}) {
        DuplicateOptions o;
        o.CpuLevel = c.level;
        pauseHost.pauses.clear();
        ASSERT_TRUE(FlagDuplicatesClassic(ctx, pair, o, true).ok());
        EXPECT_EQ(pauseHost.pauses, std::vector<int>(2, c.pause));  // at outer counts 200 and 100
        pauseHost.pauses.clear();
        ASSERT_TRUE(FlagDuplicatesHash(ctx, pair, o, true).ok());
        std::vector<int> expected(2, c.pause + 100);  // first phase, every 100 messages
        expected.insert(expected.end(), 249, c.pause);  // second phase, every message but the last
        EXPECT_EQ(pauseHost.pauses, expected);
    }
}

TEST_F(DuplicatesTest, StopEndsTheClassicSearchAtTheNextMessageAndKeepsItsFlags) {
    WriteBodies(std::vector<std::string>(250, "same\r\n"));
    pauseHost.onWait = [](AppState& s) { s.progress.StopSearch = true; };  // Stop pressed in the first pause
    auto outcome = FlagDuplicatesClassic(ctx, pair, DuplicateOptions{});
    ASSERT_TRUE(outcome.ok());
    // The first pause follows message 51 (outer count 200): 2..51 are flagged.
    EXPECT_TRUE(outcome->stopped);
    EXPECT_EQ(outcome->flagged, 50);
    EXPECT_EQ(Flagged(kClassicMarker).size(), 50u);
    EXPECT_EQ(Flagged(kClassicMarker).back(), 51);
    EXPECT_EQ(Informed().back(), "Ledgerly|Search Stopped. 50 duplicates found.");
    EXPECT_EQ(pauseHost.progressClosed, 1);

    // The host's Stop (the desktop program's) is the same Stop.
    WriteBodies(std::vector<std::string>(250, "same\r\n"));
    pauseHost.onWait = nullptr;
    pauseHost.stopAfter = 10;
    outcome = FlagDuplicatesClassic(ctx, pair, DuplicateOptions{});
    ASSERT_TRUE(outcome.ok());
    EXPECT_TRUE(outcome->stopped);
    EXPECT_EQ(Flagged(kClassicMarker).size(), 9u);
    EXPECT_EQ(Informed().back(), "Ledgerly|Search Stopped. 9 duplicates found.");
}

TEST_F(DuplicatesTest, StopInTheHashSearchsFirstPhaseEndsSilently) {
    WriteBodies(std::vector<std::string>(250, "same\r\n"));
    const std::string before = Toc().bytes();
    pauseHost.onWait = [](AppState& s) { s.progress.StopSearch = true; };
    auto outcome = FlagDuplicatesHash(ctx, pair, DuplicateOptions{});
    ASSERT_TRUE(outcome.ok());
    EXPECT_TRUE(outcome->silent);
    EXPECT_TRUE(Informed().empty());
    EXPECT_EQ(Toc().bytes(), before);
    EXPECT_EQ(pauseHost.progressClosed, 1);
}

TEST_F(DuplicatesTest, StopInTheHashSearchsSecondPhaseReportsAndKeepsItsFlags) {
    WriteBodies(std::vector<std::string>(150, "same\r\n"));
    int secondPhasePauses = 0;
    pauseHost.onWait = [&](AppState& s) {
        const auto& st = pauseHost.statuses;
        if (std::find(st.begin(), st.end(), "Starting second phase...") == st.end()) return;
        if (++secondPhasePauses == 11) s.progress.StopSearch = true;  // in the pause before i = 11
    };
    auto outcome = FlagDuplicatesHash(ctx, pair, DuplicateOptions{});
    ASSERT_TRUE(outcome.ok());
    EXPECT_EQ(outcome->flagged, 10);
    EXPECT_EQ(Flagged(kHashMarker), (Ints{1, 2, 3, 4, 5, 6, 7, 8, 9, 10}));
    EXPECT_EQ(Informed().back(), "Mark Duplicates (Hash)|Search Stopped. 10 duplicates found.");
}

TEST_F(DuplicatesTest, ClosingTheProgressWindowLetsTheSearchFinishInTheStatusBar) {
    WriteBodies(std::vector<std::string>(250, "same\r\n"));
    pauseHost.onWait = [](AppState& s) { s.progress.ProgressShown = false; };  // the close box
    auto outcome = FlagDuplicatesClassic(ctx, pair, DuplicateOptions{});
    ASSERT_TRUE(outcome.ok());
    EXPECT_FALSE(outcome->stopped);
    EXPECT_EQ(outcome->flagged, 249);
    EXPECT_EQ(pauseHost.statuses.back(), "249");
    EXPECT_EQ(pauseHost.progressClosed, 0);  // already closed by the user
    EXPECT_EQ(Informed().back(), "Ledgerly|Search Completed. 249 duplicates found.");
}

TEST_F(DuplicatesTest, ResetRestoresSubjectsButNotPriorities) {
    WriteBodies({"same\r\n", "same\r\n"});
    ASSERT_TRUE(FlagDuplicatesClassic(ctx, pair, DuplicateOptions{}).ok());
    RefreshSelectors subjectOnly;
    subjectOnly.subject = true;
    ASSERT_TRUE(UpdateTocFields(ctx, pair, subjectOnly, [](char*) {}).ok());
    EXPECT_EQ(Shown(Summary(2).Subject), "s");
    EXPECT_EQ(Summary(2).Priority, 5);
}

TEST_F(DuplicatesTest, DryRunOfTheHashSearchNamesTheNextLaterCopy) {
    WriteBodies({"same\r\n", "other\r\n", "same\r\n", "same\r\n"});
    const std::string before = Toc().bytes();
    auto outcome = FlagDuplicatesHash(ctx, pair, DuplicateOptions{}, true);
    ASSERT_TRUE(outcome.ok());
    ASSERT_EQ(outcome->matches.size(), 2u);
    EXPECT_EQ(outcome->matches[0].message, 1);
    EXPECT_EQ(outcome->matches[0].copyOf, 3);
    EXPECT_EQ(outcome->matches[1].message, 3);
    EXPECT_EQ(outcome->matches[1].copyOf, 4);
    EXPECT_EQ(Toc().bytes(), before);
}

TEST_F(DuplicatesTest, InconsistentPairIsRefused) {
    WriteBodies({"same\r\n", "same\r\n"});
    std::string toc = ReadFile(pair + "toc");
    toc.resize(toc.size() - 1);
    WriteFile(pair + "toc", toc);
    EXPECT_FALSE(FlagDuplicatesClassic(ctx, pair, DuplicateOptions{}).ok());
    EXPECT_FALSE(FlagDuplicatesHash(ctx, pair, DuplicateOptions{}).ok());
    EXPECT_EQ(ReadFile(pair + "toc"), toc);
    EXPECT_TRUE(Informed().empty());
}

}  // namespace
}  // namespace ledgerly::test
