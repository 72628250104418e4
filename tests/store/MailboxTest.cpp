#include <gtest/gtest.h>

#include <random>

#include "store/Mailbox.h"
#include "store/MailboxBuilder.h"
#include "tests/support/TestSupport.h"

namespace ledgerly {
namespace {

TEST(Mailbox, PairPathCutsExactlyThreeCharacters) {
    const MailboxPair p = MailboxPair::FromMailboxPath("/Box/Work.mbx");
    EXPECT_EQ(p.pairPath, "/Box/Work.");
    EXPECT_EQ(p.mbx(), "/Box/Work.mbx");
    EXPECT_EQ(p.toc(), "/Box/Work.toc");
    EXPECT_EQ(MailboxPair::FromMailboxPath("/Box/In.MBX").toc(), "/Box/In.TOC");  // neither exists: the name it would have
    EXPECT_EQ(MailboxPair::FromMailboxPath("ab").pairPath, "");
    EXPECT_TRUE(IsMailboxKey("/x/In.MBX"));
    EXPECT_FALSE(IsMailboxKey("/x/Work.fol/"));
}

TEST(Mailbox, PairFilesAreFoundWhateverTheCaseOfTheirExtensions) {
    struct Case { std::vector<std::string> onDisk; std::string asked; std::string mbx; std::string toc; };
    const Case cases[] = {
        {{"IN.MBX", "IN.TOC"}, "IN.MBX", "IN.MBX", "IN.TOC"},
        {{"In.MBX", "In.toc"}, "In.MBX", "In.MBX", "In.toc"},
        {{"In.mbx", "In.TOC"}, "In.mbx", "In.mbx", "In.TOC"},
        {{"In.MBX", "In.toc"}, "In.mbx", "In.MBX", "In.toc"},   // the mailbox named in another case is found too
        {{"In.mbx", "In.toc", "In.TOC"}, "In.mbx", "In.mbx", "In.toc"},  // the spelling that matches wins
#ifdef _WIN32
        {{"In.MBX", "in.toc"}, "In.MBX", "In.MBX", "in.toc"},   // Windows opens 'in.toc' when 'In.TOC' is asked for
#else
        {{"In.MBX", "in.toc"}, "In.MBX", "In.MBX", "In.TOC"},   // only the extension's case is free
#endif
        {{"In.mbx"}, "In.mbx", "In.mbx", "In.toc"},
    };
    for (const Case& c : cases) {
        test::TempDir dir;
        for (const std::string& f : c.onDisk) test::WriteFile(dir / f, f);
        const MailboxPair pair = MailboxPair::FromMailboxPath(dir / c.asked);
        EXPECT_EQ(pair.mbx(), dir / c.mbx) << c.asked;
        EXPECT_EQ(pair.toc(), dir / c.toc) << c.asked;
        EXPECT_EQ(MailboxPair{pair.pairPath}.toc(), pair.toc()) << c.asked;
    }
}

TEST(Mailbox, HeaderPrefixesAreExactAndCaseSensitive) {
    const std::string msg = ComposeMessage({"from: lower@x", "From:nospace@x", "From: first@x", "Subject:  Hi  ", "From: second@x"}, "From: body@x\r\n");
    const auto lines = SplitLines(HeaderPart(msg));
    ASSERT_EQ(lines.size(), 6u);
    EXPECT_EQ(lines[0].substr(0, 12), "From ???@???");
    EXPECT_EQ(FindHeader(lines, "From: ", false).value, "first@x");
    EXPECT_EQ(FindHeader(lines, "From: ", true).value, "second@x");
    EXPECT_EQ(FindHeader(lines, "Subject: ", false).value, " Hi  ");
    EXPECT_FALSE(FindHeader(lines, "To: ", false).found);
}

TEST(Mailbox, AttachmentMarkers) {
    struct Case { std::vector<std::string> headers; std::string body; bool marked; };
    const Case cases[] = {
        {{"X-Attachments: C:\\a.doc;"}, "", true},
        {{"X-Attachments: a;"}, "", false},                  // 18 characters: too short
        {{}, "Attachment Converted: \"/x/a.pdf\"\r\n", true},   // body line after CR LF
        {{}, "text Attachment Converted: /x\r\n", false},      // not at a line start
        {{}, "attachment converted: /x\r\n", false},
    };
    for (const Case& c : cases) {
        const std::string msg = ComposeMessage(c.headers, c.body);
        EXPECT_EQ(HasAttachmentMarker(msg, SplitLines(HeaderPart(msg))), c.marked) << msg;
    }
    // "Received: " with nothing after it is looked up but carries no value.
    const std::string received = ComposeMessage({"Received: "}, "");
    const auto lines = SplitLines(HeaderPart(received));
    EXPECT_TRUE(FindHeader(lines, "Received: ", false).found);
    EXPECT_EQ(FindHeader(lines, "Received: ", false).value, "");
}

TEST(Mailbox, NormaliseAndSplit) {
    struct Case { std::string message; std::string header; std::string body; };
    const Case cases[] = {
        {"From ???@??? x\r\nA: b\r\n\r\nbody", "From ???@??? x\r\nA: b", "\r\n\r\nbody"},
        {"From ???@??? x\r\n", "From ???@??? x", "\r\n\r\n\n"},          // one line: first CR made CR LF CR LF
        {"From ???@??? x\nA: b\n", "From ???@??? x", "\r\n\r\nA: b\n"},  // bare LF
        {"no breaks", "n", "o breaks"},                                     // none at all: one character
        {"", "", ""},
    };
    for (const Case& c : cases) {
        const SplitMessage s = NormaliseAndSplit(c.message);
        EXPECT_EQ(s.header, c.header) << c.message;
        EXPECT_EQ(s.body, c.body) << c.message;
        SplitMessage repaired;
        const SplitViews v = SplitWithoutCopy(c.message, repaired);
        EXPECT_EQ(v.header, c.header) << c.message;
        EXPECT_EQ(v.body, c.body) << c.message;
    }
}

TEST(Mailbox, FetchGivesTheBytesThatExist) {
    test::TempDir dir;
    test::WriteFile(dir / "In.mbx", "0123456789");
    auto r = MailboxReader::Open(dir / "In.mbx");
    ASSERT_TRUE(r.ok());
    EXPECT_EQ(r->Size(), 10);
    MessageSummary s;
    s.Offset = 4;
    s.Length = 3;
    EXPECT_EQ(r->Fetch(s), "456");
    s.Length = 100;
    EXPECT_EQ(r->Fetch(s), "456789");  // runs past the end
    s.Offset = 10;
    EXPECT_EQ(r->Fetch(s), "");
    s.Offset = -1;
    EXPECT_EQ(r->Fetch(s), "");
    EXPECT_FALSE(MailboxReader::Open(dir / "Out.mbx").ok());
}

// Reads forward (served from the read-ahead window), backward, repeated,
// large and past the end give the file's bytes whatever came before them.
TEST(Mailbox, ReadsInAnyOrderGiveTheFileBytes) {
    test::TempDir dir;
    std::string bytes(3 << 20, '\0');
    std::mt19937 rng(5);
    for (char& c : bytes) c = static_cast<char>(rng());
    test::WriteFile(dir / "In.mbx", bytes);
    auto r = MailboxReader::Open(dir / "In.mbx");
    ASSERT_TRUE(r.ok());
    const auto size = static_cast<std::int64_t>(bytes.size());
    std::int64_t at = 0;
    for (int k = 0; k < 3000; ++k) {
        const int kind = static_cast<int>(rng() % 10);
        const std::int64_t length = kind == 0 ? 300000 + rng() % 900000 : 1 + rng() % 9000;
        if (kind == 1) at = static_cast<std::int64_t>(rng() % bytes.size());  // a jump, either way
        else if (kind == 2) at = std::max<std::int64_t>(0, at - length);       // the same bytes again
        else at += static_cast<std::int64_t>(rng() % 3000);
        if (at >= size) at = size - 1 - static_cast<std::int64_t>(rng() % 100);
        const std::int64_t expected = std::min(length, size - at);
        ASSERT_EQ(r->Read(at, length), bytes.substr(static_cast<std::size_t>(at), static_cast<std::size_t>(expected))) << k;
        at += length;
    }
}

}  // namespace
}  // namespace ledgerly
