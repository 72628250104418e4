#include <gtest/gtest.h>

#include <cstring>
#include <filesystem>

#include "tests/flagging/FlaggingFixture.h"
#include "flagging/SummaryRefresh.h"

namespace ledgerly::test {
namespace {

std::array<char, 64> NulPadded(std::string_view text) {
    std::array<char, 64> out{};
    std::memcpy(out.data(), text.data(), std::min<std::size_t>(text.size(), 64));
    return out;
}

// Stands in for the decoder library: an encoded word becomes "Grüße" (in
// Windows-1252); everything else is left alone. Records what it was given.
struct FakeDecoder {
    std::vector<std::string> seen;
    FieldDecodeFn fn() {
        return [this](char* buf) {
            seen.emplace_back(buf);
            if (std::strncmp(buf, "=?", 2) == 0) std::strcpy(buf, "Gr\xFC\xDF" "e");
        };
    }
};

class RefreshTest : public FlaggingTest {
protected:
    FakeDecoder decoder;
    Status Run(RefreshSelectors sel) { return UpdateTocFields(context, pair, sel, decoder.fn()); }
    static RefreshSelectors Only(bool RefreshSelectors::*group) {
        RefreshSelectors s;
        s.*group = true;
        return s;
    }
};

TEST(GetWhoName, TakesTheQuotedNameElseTheCommentElseTheWholeValue) {
    struct Case { std::string value; std::string who; };
    const Case cases[] = {
        {"\"Ann Lee\" <ann@host>", "Ann Lee"},
        {"ann@host (Ann Lee)", "Ann Lee"},
        {"Ann Lee <ann@host>", "Ann Lee <ann@host>"},
        {"(not specified)", "not specified"},
        {"\"  Ann  \" (Other)", "Ann"},
        {"\"Ann <ann@host>", ""},        // no closing quote
        {"ann@host (Ann", ""},           // no closing parenthesis
        {"ann@host) (Ann)", "Ann"},      // the ")" after the "(" counts
        {"   spaced   ", "spaced"},
        {std::string(70, 'x'), std::string(64, 'x')},
    };
    for (const Case& c : cases) EXPECT_EQ(GetWhoName(c.value), NulPadded(c.who)) << c.value;
}

TEST(StatusForDirection, KeepsAStateOfTheRightDirectionElseReadOrSent) {
    // 0 unread .. 4 redirected and 12 recovered are received states; 5 unsendable .. 11 spooled are sent ones.
    for (std::int16_t before = -1; before <= 14; ++before) {
        const bool received = (before >= 0 && before <= 4) || before == 12;
        const bool sent = before >= 5 && before <= 11;
        EXPECT_EQ(StatusForDirection(before, false), received ? before : 1) << before;
        EXPECT_EQ(StatusForDirection(before, true), sent ? before : 8) << before;
    }
}

TEST_F(RefreshTest, SentReceivedFollowsTheReceivedLines) {
    struct Case { std::vector<std::string> headers; std::int16_t before; std::int16_t status; std::string who; };
    const std::vector<Case> cases = {
        {{"From: \"Bob\" <bob@host>", "Received: from relay by mailhost"}, 0, 0, "Bob"},  // unread stays unread
        {{"To: carol@host"}, 0, 8, "carol@host"},
        {{"From: bob@host", "Received: ", "To: carol@host"}, 7, 7, "carol@host"},  // ten characters: not received; queued stays
        {{}, 1, 8, "not specified"},
        {{"From: a@host", "Received: x by y", "From: b@host"}, 2, 2, "b@host"},   // the last line counts; replied stays
        {{"To: ann@host,", " bob@host"}, 10, 10, "ann@host,"},                   // continuation not joined
        {{"from: a@host", "received: by x", "to: c@host"}, 3, 8, "not specified"},  // exact case only
        {{"Received: by x", "From: "}, 8, 1, "not specified"},
        {{"Received: by x", "From: x@y"}, 12, 12, "x@y"},
        {{"Received: by x", "From: x@y"}, 99, 1, "x@y"},
    };
    MailboxBuilder b;
    for (const Case& c : cases) b.Add(ComposeMessage(c.headers, "To: body@host\r\n"), "old", "s", "d", c.before);
    Write(b);
    ASSERT_TRUE(Run(Only(&RefreshSelectors::sentReceived)).ok());
    for (std::size_t i = 0; i < cases.size(); ++i) {
        const MessageSummary s = Summary(static_cast<std::int32_t>(i + 1));
        EXPECT_EQ(s.Status, cases[i].status) << i;
        EXPECT_EQ(s.Who, NulPadded(cases[i].who)) << i;
    }
}

TEST_F(RefreshTest, PreviewListsWhatWouldChangeAndWritesNothing) {
    MailboxBuilder b;
    b.Add(ComposeMessage({"From: \"Bob\" <bob@host>", "Received: by x", "Priority: high"}, "x\r\n"), "Bob", "s", "d", 0, 2);
    b.Add(ComposeMessage({"To: carol@host", "Priority: low"}, "x\r\n"), "old", "s", "d", 1, 3);
    Write(b);
    const std::string before = ReadFile(pair + "toc");
    RefreshSelectors sel;
    sel.sentReceived = sel.priority = true;
    auto preview = PreviewTocFields(context, pair, sel, decoder.fn());
    ASSERT_TRUE(preview.ok()) << preview.error();
    ASSERT_EQ(preview->size(), 1u);  // the first summary is already right
    EXPECT_EQ((*preview)[0].message, 2);
    EXPECT_EQ((*preview)[0].fields, (std::vector<std::string>{"Status 1 -> 8", "Who 'old' -> 'carol@host'", "Priority 3 -> 4"}));
    auto marks = PreviewMarkAll(context, pair, true);
    ASSERT_TRUE(marks.ok());
    ASSERT_EQ(marks->size(), 2u);
    EXPECT_EQ((*marks)[0].fields, (std::vector<std::string>{"Status 0 -> 8", "Who 'Bob' -> 'not specified'"}));
    EXPECT_EQ(ReadFile(pair + "toc"), before);
}

TEST_F(RefreshTest, PriorityWordsAnywhereInTheValue) {
    struct Case { std::vector<std::string> headers; std::int16_t priority; };
    const std::vector<Case> cases = {
        {{"Priority: Lowest"}, 5}, {{"Priority: low"}, 4},  {{"Priority: Highest"}, 1}, {{"Priority: urgent"}, 3},
        {{}, 3},                   {{"Priority: 2 (HIGH)"}, 2}, {{"X-Priority: 1 (Highest)"}, 3},
        {{"Priority: high", "Priority: low"}, 4},
    };
    MailboxBuilder b;
    for (const Case& c : cases) b.Add(ComposeMessage(c.headers, "x\r\n"), "w", "s", "d", 1, 9);
    Write(b);
    ASSERT_TRUE(Run(Only(&RefreshSelectors::priority)).ok());
    for (std::size_t i = 0; i < cases.size(); ++i) EXPECT_EQ(Summary(static_cast<std::int32_t>(i + 1)).Priority, cases[i].priority) << i;
}

TEST_F(RefreshTest, AttachmentBitFollowsTheMessageAndKeepsTheOtherFlags) {
    struct Case { std::vector<std::string> headers; std::string body; std::uint8_t before; std::uint8_t after; };
    const std::vector<Case> cases = {
        {{"X-Attachments: ab"}, "x\r\n", 0x80, 0x00},                 // 17 characters: no attachment
        {{"X-Attachments: C:\\a.txt"}, "x\r\n", 0x00, 0x80},
        {{}, "text\r\nAttachment Converted: \"C:\\a\\b.doc\"\r\n", 0x05, 0x85},
        {{}, "Attachment Converted: at the start of the body\r\n", 0x00, 0x80},  // after the empty line's CR LF
        {{}, "plain\r\n", 0xC1, 0x41},
        {{"X-Attachments: C:\\a.txt"}, "x\r\n", 0xFF, 0xFF},
    };
    MailboxBuilder b;
    for (const Case& c : cases) {
        MessageSummary s;
        s.AttachmentFlags = c.before;
        s.Reserved14 = 0x5A;
        b.Add(ComposeMessage(c.headers, c.body), s);
    }
    Write(b);
    ASSERT_TRUE(Run(Only(&RefreshSelectors::attachment)).ok());
    for (std::size_t i = 0; i < cases.size(); ++i) {
        const MessageSummary s = Summary(static_cast<std::int32_t>(i + 1));
        EXPECT_EQ(s.AttachmentFlags, cases[i].after) << i;
        EXPECT_EQ(s.Reserved14, 0x5A) << i;
    }
}

TEST_F(RefreshTest, DateKeepsTheArrivalTimeOfAnEudora7Field) {
    MailboxBuilder b;
    const std::string withTime = ComposeMessage({"Date: Mon, 12 Jan 2004 15:05:09 +0100"}, "x\r\n");
    // Eudora 7 shape: NUL-terminated text, arrival time in the last four bytes.
    MessageSummary seven;
    SetTextField(seven.Date, "1/1/2000");
    seven.Date[8] = '\0';
    const char arrival[4] = {'\x11', '\x22', '\x00', '\x44'};
    std::memcpy(seven.Date.data() + 28, arrival, 4);
    b.Add(withTime, seven);
    // An older field filled with text all the way.
    MessageSummary full;
    SetTextField(full.Date, std::string(32, 'z'));
    b.Add(withTime, full);
    // An unreadable date leaves the field alone.
    MessageSummary kept = seven;
    b.Add(ComposeMessage({"Date: someday"}, "x\r\n"), kept);
    b.Add(ComposeMessage({}, "x\r\n"), kept);
    Write(b);
    ASSERT_TRUE(Run(Only(&RefreshSelectors::date)).ok());

    const std::string text = "03:05 PM 1/12/2004";
    const MessageSummary s1 = Summary(1);
    EXPECT_EQ(std::string(s1.Date.data(), text.size()), text);
    EXPECT_EQ(s1.Date[text.size()], '\0');  // still ends in a NUL, so the next run keeps the shape too
    EXPECT_EQ(std::string(s1.Date.data() + text.size() + 1, 28 - text.size() - 1), std::string(28 - text.size() - 1, ' '));
    EXPECT_EQ(std::memcmp(s1.Date.data() + 28, arrival, 4), 0);

    std::array<char, 32> expected{};
    SetTextField(expected, text);
    EXPECT_EQ(Summary(2).Date, expected);
    EXPECT_EQ(Summary(3).Date, seven.Date);
    EXPECT_EQ(Summary(4).Date, seven.Date);

    // A second run finds the same shape and keeps the arrival time again.
    ASSERT_TRUE(Run(Only(&RefreshSelectors::date)).ok());
    EXPECT_EQ(Summary(1).Date, s1.Date);
}

TEST_F(RefreshTest, SubjectIsCutTrimmedAndDecoded) {
    struct Case { std::vector<std::string> headers; std::string subject; };
    const std::string longSubject(80, 's');
    const std::vector<Case> cases = {
        {{}, "(no subject)"},
        {{"Subject:     "}, "(no subject)"},
        {{"Subject: =?ISO-8859-1?Q?Gr=FC=DFe?="}, "Gr\xFC\xDF" "e"},
        {{"Subject:   Hello"}, "Hello"},
        {{"Subject: " + longSubject}, std::string(64, 's')},
        {{"Subject: first", "Subject: second"}, "second"},
        {{"subject: lower"}, "(no subject)"},
    };
    MailboxBuilder b;
    for (const Case& c : cases) b.Add(ComposeMessage(c.headers, "x\r\n"), "w", "old subject");
    Write(b);
    ASSERT_TRUE(Run(Only(&RefreshSelectors::subject)).ok());
    for (std::size_t i = 0; i < cases.size(); ++i) EXPECT_EQ(Shown(Summary(static_cast<std::int32_t>(i + 1)).Subject), cases[i].subject) << i;
    // The decoder is given the field's 64 characters, padded with spaces.
    ASSERT_FALSE(decoder.seen.empty());
    for (const std::string& given : decoder.seen) EXPECT_EQ(given.size(), 64u);
    // A decoded result shorter than the field ends in NUL bytes.
    const MessageSummary decoded = Summary(3);
    EXPECT_EQ(decoded.Subject[5], '\0');
}

TEST_F(RefreshTest, WhoDecodingWorksOnTheFieldAsItStands) {
    MailboxBuilder b;
    b.Add(ComposeMessage({"From: =?x?Q?y?=", "Received: by relay"}, "x\r\n"), "stale");
    b.Add(ComposeMessage({}, "x\r\n"), "   ");
    MessageSummary nuls;
    b.Add(ComposeMessage({}, "x\r\n"), nuls);
    b.Add(ComposeMessage({}, "x\r\n"), "plain who");
    Write(b);

    RefreshSelectors both;
    both.sentReceived = both.whoDecoding = true;
    RefreshSelectors whoOnly;
    whoOnly.whoDecoding = true;
    ASSERT_TRUE(Run(whoOnly).ok());
    EXPECT_EQ(Shown(Summary(1).Who), "stale");
    EXPECT_EQ(Shown(Summary(2).Who), "[Not Specified]");
    EXPECT_EQ(Shown(Summary(3).Who), "[Not Specified]");
    EXPECT_EQ(Shown(Summary(4).Who), "plain who");
    ASSERT_TRUE(Run(both).ok());
    EXPECT_EQ(Shown(Summary(1).Who), "Gr\xFC\xDF" "e");  // the new sender, then decoded
}

TEST_F(RefreshTest, EachGroupWritesOnlyItsOwnBytes) {
    MailboxBuilder b;
    MessageSummary s;
    std::memset(&s.Reserved8, 0x7E, sizeof s.Reserved8);
    s.Reserved178.fill('\x01');
    s.Reserved188.fill('\x02');
    SetTextField(s.Who, "old who");
    SetTextField(s.Subject, "old subject");
    SetTextField(s.Date, "old date");
    s.Priority = 9;
    s.Status = 4;
    b.Add(ComposeMessage({"From: a@b", "To: c@d", "Received: by relay", "Priority: high", "Date: 12 Jan 2004 10:00",
                          "Subject: new", "X-Attachments: C:\\a.doc"},
                         "x\r\n"),
          s);
    Write(b);
    const std::string before = Toc().bytes();
    struct Case { bool RefreshSelectors::*group; std::vector<std::pair<int, int>> ranges; };  // [from, to) in the summary
    const std::vector<Case> cases = {
        {&RefreshSelectors::sentReceived, {{12, 14}, {50, 114}}},
        {&RefreshSelectors::priority, {{16, 18}}},
        {&RefreshSelectors::attachment, {{15, 16}}},
        {&RefreshSelectors::date, {{18, 50}}},
        {&RefreshSelectors::subject, {{114, 178}}},
        {&RefreshSelectors::whoDecoding, {{50, 114}}},
    };
    for (std::size_t c = 0; c < cases.size(); ++c) {
        WriteFile(pair + "toc", before);
        ASSERT_TRUE(Run(Only(cases[c].group)).ok());
        const std::string after = Toc().bytes();
        ASSERT_EQ(after.size(), before.size());
        for (std::size_t i = 0; i < before.size(); ++i) {
            const int at = static_cast<int>(i) - static_cast<int>(kTocHeaderSize);
            bool owned = false;
            for (auto [from, to] : cases[c].ranges) owned = owned || (at >= from && at < to);
            if (!owned) { EXPECT_EQ(after[i], before[i]) << "group " << c << " changed byte " << at; }
        }
    }
}

TEST_F(RefreshTest, MessageWithoutEmptyLineOrWithAHugeHeaderIsScannedWhole) {
    MailboxBuilder b;
    b.Add("From ???@??? Mon Dec 13 18:45:29 2010\r\nFrom: a@host\r\nbody line\r\nTo: bodyline@host\r\n");
    const std::string huge = "X-Long: " + std::string(33000, 'a');
    b.Add(ComposeMessage({huge, "Subject: head"}, "Subject: body\r\n"));
    b.Add(ComposeMessage({"Subject: head"}, "Subject: body\r\n"));
    Write(b);
    RefreshSelectors sel;
    sel.sentReceived = sel.subject = true;
    ASSERT_TRUE(Run(sel).ok());
    EXPECT_EQ(Shown(Summary(1).Who), "bodyline@host");
    EXPECT_EQ(Shown(Summary(2).Subject), "body");
    EXPECT_EQ(Shown(Summary(3).Subject), "head");
}

TEST_F(RefreshTest, SummariesPast150AreRefreshedAndNumberedInTheStatusBar) {
    MailboxBuilder b;
    for (int i = 1; i <= 160; ++i) b.Add(ComposeMessage({"Subject: message " + std::to_string(i)}, "x\r\n"), "w", "stale");
    Write(b);
    ASSERT_TRUE(Run(Only(&RefreshSelectors::subject)).ok());
    for (int k : {1, 150, 151, 160}) EXPECT_EQ(Shown(Summary(k).Subject), "message " + std::to_string(k));
    ASSERT_EQ(host.statuses.size(), 160u);
    EXPECT_EQ(host.statuses.front(), "1");
    EXPECT_EQ(host.statuses.back(), "160");
}

TEST_F(RefreshTest, EmptyMailboxIsNotRewritten) {
    Write(MailboxBuilder());
    const auto old = std::filesystem::last_write_time(pair + "toc") - std::chrono::hours(1);
    std::filesystem::last_write_time(pair + "toc", old);
    ASSERT_TRUE(Run(RefreshSelectors::All()).ok());
    EXPECT_EQ(std::filesystem::last_write_time(pair + "toc"), old);
}

TEST_F(RefreshTest, PairWithMissingSummariesIsRefusedUnchanged) {
    WriteMessages({{"Subject: a"}, {"Subject: b"}});
    std::string toc = ReadFile(pair + "toc");
    toc.resize(toc.size() - 100);  // the second summary is cut short
    WriteFile(pair + "toc", toc);
    const Status done = Run(RefreshSelectors::All());
    EXPECT_FALSE(done.ok());
    EXPECT_FALSE(done.error().empty());
    EXPECT_EQ(ReadFile(pair + "toc"), toc);
}

TEST_F(RefreshTest, SummaryRangeOutsideTheMailboxIsRefused) {
    MailboxBuilder b;
    b.Add(ComposeMessage({"Subject: a"}, "x\r\n"));
    Write(b);
    TocImage toc = Toc();
    MessageSummary s = toc.ReadSummary(1);
    s.Length += 1000;
    toc.WriteSummary(1, s);
    WriteFile(pair + "toc", toc.bytes());
    EXPECT_FALSE(Run(RefreshSelectors::All()).ok());
    EXPECT_EQ(Toc().bytes(), toc.bytes());
}

}  // namespace
}  // namespace ledgerly::test
