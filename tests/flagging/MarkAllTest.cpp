#include <gtest/gtest.h>

#include "tests/flagging/FlaggingFixture.h"
#include "flagging/SummaryRefresh.h"

namespace ledgerly::test {
namespace {

class MarkAllTest : public FlaggingTest {};

TEST_F(MarkAllTest, WhoComesFromTheFirstMatchingLine) {
    struct Case { bool sent; std::vector<std::string> headers; std::string who; };
    const std::vector<Case> cases = {
        {true, {"To: ann@host,", " bob@host"}, "ann@host, bob@host"},  // one folded line joined as it stands
        {true, {"To: ann@host", "Cc: bob@host"}, "ann@host"},
        {true, {"To: ann@host,", " bob@host,", " carl@host"}, "ann@host, bob@host,"},  // at most one continuation
        {true, {"To: \"Ann\" <ann@host>", "To: other@host"}, "Ann"},                  // the first one counts
        {true, {"From: a@host"}, "not specified"},
        {true, {"To: "}, "not specified"},
        {false, {"To: x@host", "From: ann@host (Ann)", "From: b@host"}, "Ann"},
        {false, {}, "not specified"},  // the delimiter line is no sender
        {false, {"From: a@host,", " continued"}, "a@host,"},
    };
    for (const Case& c : cases) {
        WriteMessages({c.headers});
        ASSERT_TRUE(MarkAllMessages(context, pair, c.sent).ok());
        const MessageSummary s = Summary(1);
        EXPECT_EQ(Shown(s.Who), c.who) << c.headers.size();
        EXPECT_EQ(s.Status, c.sent ? 8 : 1);  // the builder's summaries say "read"
    }
}

TEST_F(MarkAllTest, KeepsAStateThatAlreadyHasTheDirection) {
    MailboxBuilder b;
    const std::int16_t before[] = {0, 2, 4, 12, 5, 7, 11, 9};
    for (std::int16_t status : before) b.Add(ComposeMessage({"From: a@b", "To: c@d"}, "x\r\n"), "w", "s", "d", status);
    Write(b);
    ASSERT_TRUE(MarkAllMessages(context, pair, false).ok());
    const std::int16_t received[] = {0, 2, 4, 12, 1, 1, 1, 1};
    for (std::size_t i = 0; i < std::size(before); ++i) EXPECT_EQ(Summary(static_cast<std::int32_t>(i + 1)).Status, received[i]) << i;
    ASSERT_TRUE(MarkAllMessages(context, pair, true).ok());
    for (std::size_t i = 0; i < std::size(before); ++i) EXPECT_EQ(Summary(static_cast<std::int32_t>(i + 1)).Status, 8) << i;
}

TEST_F(MarkAllTest, NothingCarriesOverFromThePreviousMessageAndStatusIgnoresReceivedLines) {
    WriteMessages({{"From: \"Ann\" <ann@host>", "Received: by relay"}, {"To: x@host"}});
    ASSERT_TRUE(MarkAllMessages(context, pair, false).ok());
    EXPECT_EQ(Shown(Summary(1).Who), "Ann");
    EXPECT_EQ(Shown(Summary(2).Who), "not specified");
    ASSERT_TRUE(MarkAllMessages(context, pair, true).ok());
    EXPECT_EQ(Summary(1).Status, 8);
    EXPECT_EQ(Summary(2).Status, 8);
    EXPECT_EQ(Shown(Summary(2).Who), "x@host");
}

TEST_F(MarkAllTest, OnlyStatusAndWhoChange) {
    WriteMessages({{"To: a@b", "Subject: s", "Priority: high"}});
    const std::string before = Toc().bytes();
    ASSERT_TRUE(MarkAllMessages(context, pair, true).ok());
    const std::string after = Toc().bytes();
    for (std::size_t i = 0; i < before.size(); ++i) {
        const int at = static_cast<int>(i) - static_cast<int>(kTocHeaderSize);
        if ((at >= 12 && at < 14) || (at >= 50 && at < 114)) continue;
        EXPECT_EQ(after[i], before[i]) << at;
    }
}

TEST_F(MarkAllTest, EmptyMailboxIsNotRewritten) {
    Write(MailboxBuilder());
    const std::string before = ReadFile(pair + "toc");
    const auto old = std::filesystem::last_write_time(pair + "toc") - std::chrono::hours(1);
    std::filesystem::last_write_time(pair + "toc", old);
    ASSERT_TRUE(MarkAllMessages(context, pair, true).ok());
    EXPECT_EQ(std::filesystem::last_write_time(pair + "toc"), old);
    EXPECT_EQ(ReadFile(pair + "toc"), before);
}

}  // namespace
}  // namespace ledgerly::test
