#include <gtest/gtest.h>

#include <map>

#include "store/MessageScan.h"

namespace ledgerly {
namespace {

TEST(MessageStartScanner, FindsDelimiterLinesAfterAnyLineEndWhereverThePiecesSplit) {
    const std::string d = "From ???@??? Mon Dec 13 18:45:29 2010";
    // The lines that start messages, and where the first delimiter stands at all.
    struct Case { std::string content; std::vector<std::int64_t> starts; std::int64_t first; };
    const Case cases[] = {
        {d + "\r\nbody\r\n" + d + "\r\nx", {0, 45}, 0},
        {"a\n" + d, {2}, 2},                        // after LF, ending the file
        {"a\r" + d, {2}, 2},                        // after a bare CR
        {"</x-html>" + d + "\r\n", {}, 9},          // run into the line before: not a line start
        {"\r\n From ???@???", {}, 3},               // indented
        {"\r\nFrom ???@??", {}, -1},                // cut short at the end of the file
        {"\r\nfrom ???@???\r\n", {}, -1},          // case counts
        {"From ???@???From ???@???", {0}, 0},
        {"\n\nFrom ???@???\n", {2}, 2},
        {"", {}, -1},
    };
    for (const Case& c : cases)
        for (std::size_t piece : {std::size_t{1}, std::size_t{2}, std::size_t{5}, std::size_t{11}, std::size_t{12}, std::size_t{13}, std::size_t{1000}}) {
            MessageStartScanner scanner;
            for (std::size_t at = 0; at < c.content.size(); at += piece) scanner.Feed(std::string_view(c.content).substr(at, piece));
            EXPECT_EQ(scanner.Starts(), c.starts) << c.content << " in pieces of " << piece;
            EXPECT_EQ(scanner.FirstDelimiter(), c.first) << c.content << " in pieces of " << piece;
            EXPECT_EQ(scanner.Size(), static_cast<std::int64_t>(c.content.size()));
        }
}

TEST(RangesFromStarts, EachMessageRunsToTheNextStartOrTheEnd) {
    EXPECT_EQ(RangesFromStarts({30, 0, 10, 10, 99, -1}, 50), (std::vector<MessageRange>{{0, 10}, {10, 20}, {30, 20}}));
    EXPECT_EQ(RangesFromStarts({5}, 8), (std::vector<MessageRange>{{5, 3}}));
    EXPECT_TRUE(RangesFromStarts({}, 8).empty());
}

// Messages and summaries over a made-up content: a range's hash is the text
// given for it, so "same bytes" is spelled out in the cases.
struct Fixture {
    std::vector<MessageRange> messages;
    std::vector<std::string> messageBytes;
    std::vector<OldSummaryPlace> summaries;
    std::vector<std::string> summaryBytes;  // "" = not readable
    int hashed = 0;

    void Message(std::int64_t offset, std::int64_t length, std::string bytes) {
        messages.push_back({offset, length});
        messageBytes.push_back(std::move(bytes));
    }
    void Summary(std::int64_t offset, std::int64_t length, std::string bytes = "") {
        summaries.push_back({{offset, length}, {offset, length}});
        summaryBytes.push_back(std::move(bytes));
    }
    SummaryMatch Match() {
        auto hashOf = [this](const std::vector<std::string>& bytes) {
            return [this, &bytes](std::size_t i) -> std::optional<std::uint64_t> {
                ++hashed;
                if (bytes[i].empty()) return std::nullopt;
                return MessageHash(bytes[i]);
            };
        };
        return MatchSummaries(messages, summaries, hashOf(messageBytes), hashOf(summaryBytes));
    }
};

TEST(MatchSummaries, SamePlaceFirstThenSameBytesEachSummaryOnce) {
    Fixture f;
    f.Message(0, 10, "aaaaaaaaaa");
    f.Message(10, 5, "bbbbb");
    f.Message(15, 5, "bbbbb");  // a copy of the one before
    f.Message(20, 3, "ccc");
    f.Message(23, 4, "dddd");
    f.Summary(0, 10);            // 0: the same place
    f.Summary(40, 5, "bbbbb");   // 1: same bytes as messages 1 and 2: the first takes it
    f.Summary(50, 5, "bbbbb");   // 2: and the second this one
    f.Summary(0, 10);            // 3: a second summary of message 0: left over
    f.Summary(60, 3, "cXc");     // 4: same length, other bytes
    f.Summary(23, 9, "dddd");    // 5: same start, other length
    const SummaryMatch m = f.Match();
    EXPECT_EQ(m.summaryFor, (std::vector<std::int32_t>{0, 1, 2, -1, -1}));
    EXPECT_EQ(m.unmatched, (std::vector<std::int32_t>{3, 4, 5}));
}

TEST(MatchSummaries, ReadsNothingWhenEveryPlaceAgrees) {
    Fixture f;
    for (int i = 0; i < 4; ++i) {
        f.Message(i * 10, 10, "m" + std::to_string(i));
        f.Summary(i * 10, 10, "m" + std::to_string(i));
    }
    f.Message(40, 7, "new one");
    f.Summary(99, 3, "old");  // no message of its length: never hashed
    const SummaryMatch m = f.Match();
    EXPECT_EQ(m.summaryFor, (std::vector<std::int32_t>{0, 1, 2, 3, -1}));
    EXPECT_EQ(m.unmatched, (std::vector<std::int32_t>{4}));
    EXPECT_EQ(f.hashed, 0);
}

TEST(MatchSummaries, UsesWhereAMovedSummaryNowLies) {
    Fixture f;
    f.Message(0, 12, "x");
    f.Message(12, 8, "y");
    f.Summary(0, 10);
    f.Summary(10, 8);
    f.summaries[0].now = {0, 12};  // two bytes were inserted at its end
    f.summaries[1].now = {12, 8};
    EXPECT_EQ(f.Match().summaryFor, (std::vector<std::int32_t>{0, 1}));
}

}  // namespace
}  // namespace ledgerly
