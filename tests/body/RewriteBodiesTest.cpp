#include <gtest/gtest.h>

#ifndef _WIN32
#include <sys/resource.h>
#endif

#include <csignal>

#include <filesystem>

#include "app/Messages.h"
#include "body/RewriteBodies.h"
#include "store/RewriteLock.h"
#include "store/MailboxBuilder.h"
#include "store/PairCheck.h"
#include "store/PairTransaction.h"
#include "tests/support/TestSupport.h"

namespace ledgerly {
namespace {

using test::ReadFile;
using test::TempDir;
using test::WriteFile;

// A message of exactly `length` bytes whose body holds `equals` "=" signs
// (each one dropped by the quoted-printable decoding).
std::string MessageOfLength(std::size_t length, int equals) {
    std::string m = ComposeMessage({"Subject: s"}, std::string(static_cast<std::size_t>(equals), '='));
    m += std::string(length - m.size(), 'x');
    return m;
}

class RewriteBodiesTest : public ::testing::Test {
protected:
    TempDir dir;
    AppState state;
    test::FakeHost host{state};
    ToolContext context{state, host};
    std::string pair = dir / "In.";

    void Write(const MailboxBuilder& b) { ASSERT_TRUE(b.Write(pair).ok()); }
    TocImage Toc() { return *TocImage::Load(pair + "toc"); }
    std::vector<std::string> FolderEntries() {
        std::vector<std::string> names;
        for (const auto& e : std::filesystem::directory_iterator(dir.path()))
            if (e.path().filename() != kLockFileName) names.push_back(e.path().filename().string());  // Windows' lock is a file while held
        std::sort(names.begin(), names.end());
        return names;
    }
};

TEST_F(RewriteBodiesTest, RenumbersEverySummaryAfterShrinkingBodies) {
    MailboxBuilder b;
    b.Add(MessageOfLength(100, 10), "a", "one").Add(MessageOfLength(200, 10), "b", "two").Add(MessageOfLength(300, 10), "c", "three");
    Write(b);
    const std::string oldToc = ReadFile(pair + "toc"), oldMbx = ReadFile(pair + "mbx");

    auto r = RewriteBodies(context, pair + "mbx", RewriteMode::DecodeQuotedPrintable);
    ASSERT_TRUE(r.ok()) << r.error();

    const TocImage toc = Toc();
    const std::int32_t offsets[] = {0, 90, 280}, lengths[] = {90, 190, 290};
    for (int k = 1; k <= 3; ++k) {
        const MessageSummary s = toc.ReadSummary(k);
        EXPECT_EQ(s.Offset, offsets[k - 1]);
        EXPECT_EQ(s.Length, lengths[k - 1]);
        // Every other byte of the summary is kept.
        EXPECT_EQ(std::string(toc.bytes(), SummaryOffset(k) + 8, 210), std::string(oldToc, SummaryOffset(k) + 8, 210));
    }
    EXPECT_EQ(ReadFile(pair + "mbx").size(), 570u);
    EXPECT_EQ(r->newSize, 570);
    EXPECT_EQ(r->messages, 3);
    EXPECT_TRUE(CheckPair(MailboxPair{pair}).Consistent());
    // The backups are the old files, TOC first.
    EXPECT_EQ(r->backups.toc, pair + "toc.1");
    EXPECT_EQ(r->backups.mbx, pair + "mbx.1");
    EXPECT_EQ(ReadFile(r->backups.toc), oldToc);
    EXPECT_EQ(ReadFile(r->backups.mbx), oldMbx);
    EXPECT_EQ(state.TocBackupPath, pair + "toc.1");
    EXPECT_EQ(state.MbxBackupPath, pair + "mbx.1");
    EXPECT_EQ(r->ClosingText(), msg::kDone);
    // The header bytes stay but the recorded mailbox size (bytes 96-99) follows the new file.
    EXPECT_EQ(toc.bytes().substr(0, 96), oldToc.substr(0, 96));
    EXPECT_EQ(toc.bytes().substr(96, 4), std::string("\x3B\x02\0\0", 4));  // 571
    // No temporary file is left behind.
    EXPECT_EQ(FolderEntries(), (std::vector<std::string>{"In.mbx", "In.mbx.1", "In.toc", "In.toc.1"}));
}

TEST_F(RewriteBodiesTest, ShowsEachMessageNumberAndPausesAsTheModeSays) {
    struct Row { RewriteMode mode; int waits; };
    const Row rows[] = {{RewriteMode::StripHtml, 2}, {RewriteMode::DecodeQuotedPrintable, 0}, {RewriteMode::Rot13, 25},
                        {RewriteMode::Cipher, 0}, {RewriteMode::Decipher, 0}};
    for (const Row& row : rows) {
        MailboxBuilder b;
        for (int i = 0; i < 250; ++i) b.Add(ComposeMessage({"Subject: s"}, "b"));
        Write(b);
        host.statuses.clear();
        host.waits = 0;
        auto r = RewriteBodies(context, pair + "mbx", row.mode);
        ASSERT_TRUE(r.ok()) << r.error();
        EXPECT_EQ(host.waits, row.waits) << static_cast<int>(row.mode);
        ASSERT_EQ(host.statuses.size(), 250u);
        EXPECT_EQ(host.statuses.front(), "1");
        EXPECT_EQ(host.statuses.back(), "250");
    }
}

TEST_F(RewriteBodiesTest, CipherAndDecipherRepairSeparatorsAndRenumber) {
    for (RewriteMode mode : {RewriteMode::Cipher, RewriteMode::Decipher}) {
        MailboxBuilder b;
        b.Add("From ???@??? x\r\nSubject: no empty line\r\n<b>body</b>")
            .Add(ComposeMessage({"Subject: fine"}, "=41 <i>kept</i>"));
        Write(b);
        auto r = RewriteBodies(context, pair + "mbx", mode);
        ASSERT_TRUE(r.ok()) << r.error();
        const std::string first = "From ???@??? x\r\n\r\n\nSubject: no empty line\r\n<b>body</b>";
        const std::string second = ComposeMessage({"Subject: fine"}, "=41 <i>kept</i>");
        EXPECT_EQ(ReadFile(pair + "mbx"), first + second);
        const TocImage toc = Toc();
        EXPECT_EQ(toc.ReadSummary(1).Length, static_cast<std::int32_t>(first.size()));
        EXPECT_EQ(toc.ReadSummary(2).Offset, static_cast<std::int32_t>(first.size()));
    }
}

TEST_F(RewriteBodiesTest, ALastMessageOfItsDelimiterLineAloneStaysAsItIs) {
    MailboxBuilder b;
    b.Add(ComposeMessage({"Subject: s"}, "body\r\n")).Add("From ???@??? Mon Dec 13 18:45:29 2010");
    Write(b);
    auto r = RewriteBodies(context, pair + "mbx", RewriteMode::Rot13);
    ASSERT_TRUE(r.ok()) << r.error();
    EXPECT_EQ(ReadFile(pair + "mbx"), ComposeMessage({"Subject: s"}, "obql\r\n") + "From ???@??? Mon Dec 13 18:45:29 2010");
    EXPECT_TRUE(CheckPair(MailboxPair{pair}).Sound());
}

TEST_F(RewriteBodiesTest, AnInconsistentPairIsRefusedBeforeAnyBackup) {
    struct Row { const char* name; std::function<void(std::string&)> spoil; const char* says; };
    const Row rows[] = {
        {"range outside", [](std::string& toc) { toc[static_cast<std::size_t>(SummaryOffset(2)) + 5] = 0x13; }, "outside the mailbox file"},
        {"short TOC", [](std::string& toc) { toc.resize(toc.size() - 10); }, "announces 2 summaries"},
        {"count below 0", [](std::string& toc) { toc[103] = static_cast<char>(0x80); }, "announces -32766 messages"},
    };
    for (const Row& row : rows) {
        TempDir d;
        MailboxBuilder b;
        b.Add(ComposeMessage({"Subject: a"}, "<b>x</b>")).Add(ComposeMessage({"Subject: b"}, "<b>y</b>"));
        std::string toc = b.TocBytes();
        const std::string mbx = b.MbxBytes();
        row.spoil(toc);
        WriteFile(d / "In.mbx", mbx);
        WriteFile(d / "In.toc", toc);
        auto r = RewriteBodies(context, d / "In.mbx", RewriteMode::StripHtml);
        ASSERT_FALSE(r.ok()) << row.name;
        EXPECT_NE(r.error().find(row.says), std::string::npos) << r.error();
        EXPECT_NE(r.error().find("Nothing was changed."), std::string::npos) << r.error();
        EXPECT_EQ(ReadFile(d / "In.mbx"), mbx);
        EXPECT_EQ(ReadFile(d / "In.toc"), toc);
        EXPECT_FALSE(std::filesystem::exists(d / "In.toc.1")) << row.name;
        EXPECT_FALSE(std::filesystem::exists(d / "In.mbx.1")) << row.name;
    }
}

#ifndef _WIN32  // file-size limits
TEST_F(RewriteBodiesTest, ABackupThatCannotBeWrittenStopsTheRunWithNothingChanged) {
    rlimit unlimited{};
    ASSERT_EQ(::getrlimit(RLIMIT_FSIZE, &unlimited), 0);
    auto* signalBefore = std::signal(SIGXFSZ, SIG_IGN);
    struct Row { const char* name; std::function<void()> block; };
    const Row rows[] = {
        // A folder where the TOC backup would be written.
        {"folder in the way", [&] { std::filesystem::create_directory(pair + "toc.1.ledgerly-partial"); }},
        // Room for the TOC backup, not for the mailbox backup (a file-size
        // limit stops the write even for root).
        {"file too large", [&] { rlimit small = unlimited; small.rlim_cur = 1000; ::setrlimit(RLIMIT_FSIZE, &small); }},
    };
    for (const Row& row : rows) {
        MailboxBuilder b;
        b.Add(ComposeMessage({"Subject: a"}, "<b>x</b>" + std::string(4000, 'x')));
        Write(b);
        const std::string toc = ReadFile(pair + "toc"), mbx = ReadFile(pair + "mbx");
        row.block();
        auto r = RewriteBodies(context, pair + "mbx", RewriteMode::StripHtml);
        ::setrlimit(RLIMIT_FSIZE, &unlimited);
        ASSERT_FALSE(r.ok()) << row.name;
        EXPECT_NE(r.error().find("Cannot"), std::string::npos) << r.error();
        EXPECT_NE(r.error().find("Nothing was changed."), std::string::npos) << r.error();
        EXPECT_EQ(ReadFile(pair + "mbx"), mbx) << row.name;
        EXPECT_EQ(ReadFile(pair + "toc"), toc) << row.name;
        EXPECT_FALSE(std::filesystem::exists(pair + "mbx.1")) << row.name;
        EXPECT_FALSE(std::filesystem::exists(pair + "mbx" + std::string(kNewSuffix))) << row.name;
        for (const auto& e : std::filesystem::directory_iterator(dir.path())) std::filesystem::remove_all(e.path());
    }
    std::signal(SIGXFSZ, signalBefore);
}
#endif

TEST_F(RewriteBodiesTest, UncoveredBytesAreLeftOutAndTheClosingTextSaysWhereTheyAreKept) {
    MailboxBuilder b;
    b.Add(ComposeMessage({"Subject: a"}, "<b>x</b>")).AddUncovered("stray bytes!").Add(ComposeMessage({"Subject: b"}, "y"));
    Write(b);
    const std::string oldMbx = ReadFile(pair + "mbx");
    auto r = RewriteBodies(context, pair + "mbx", RewriteMode::StripHtml);
    ASSERT_TRUE(r.ok()) << r.error();
    EXPECT_EQ(r->uncoveredBytes, 12);
    EXPECT_EQ(r->ClosingText(), std::string(msg::kDone) + " 12 bytes of the mailbox file belonged to no message and were left out; the backup '" +
                                    pair + "mbx.1' keeps them.");
    EXPECT_EQ(ReadFile(pair + "mbx.1"), oldMbx);
    EXPECT_EQ(ReadFile(pair + "mbx").find("stray"), std::string::npos);
    const PairReport report = CheckPair(MailboxPair{pair});
    EXPECT_TRUE(report.Consistent());
    EXPECT_EQ(report.uncoveredBytes, 0);
}

TEST_F(RewriteBodiesTest, AMessageWithAnOverlongHeaderPartIsKeptAndCounted) {
    MailboxBuilder b;
    const std::string big = ComposeMessage({"X-Big: " + std::string(40000, 'q')}, "<b>x</b>");
    b.Add(big).Add(ComposeMessage({"Subject: b"}, "<b>y</b>"));
    Write(b);
    auto r = RewriteBodies(context, pair + "mbx", RewriteMode::StripHtml);
    ASSERT_TRUE(r.ok()) << r.error();
    EXPECT_EQ(r->keptWhole, 1);
    EXPECT_EQ(ReadFile(pair + "mbx"), big + ComposeMessage({"Subject: b"}, "y"));
    EXPECT_NE(r->ClosingText().find("1 message with a header part longer than 32,767 characters kept unchanged."), std::string::npos);
}

TEST_F(RewriteBodiesTest, ASecondRunInTheSameFolderWaitsForTheFirst) {
    MailboxBuilder b;
    b.Add(ComposeMessage({"Subject: a"}, "<b>x</b>"));
    Write(b);
    {
        auto other = RewriteLock::Acquire(dir / "Other.mbx");  // another run, in the same folder
        ASSERT_TRUE(other.ok());
        auto r = RewriteBodies(context, pair + "mbx", RewriteMode::StripHtml);
        ASSERT_FALSE(r.ok());
        EXPECT_NE(r.error().find("Another run is rewriting a mailbox"), std::string::npos) << r.error();
        EXPECT_EQ(FolderEntries(), (std::vector<std::string>{"In.mbx", "In.toc"}));
    }
    EXPECT_TRUE(RewriteBodies(context, pair + "mbx", RewriteMode::StripHtml).ok());
}

TEST_F(RewriteBodiesTest, AnInterruptedEarlierRewriteIsUndoneBeforeTheRun) {
    MailboxBuilder b;
    b.Add(ComposeMessage({"Subject: a"}, "<b>x</b>"));
    Write(b);
    WriteFile(pair + "mbx" + std::string(kNewSuffix), "half a mailbox");
    auto r = RewriteBodies(context, pair + "mbx", RewriteMode::StripHtml);
    ASSERT_TRUE(r.ok()) << r.error();
    EXPECT_FALSE(r->recovered.empty());
    EXPECT_EQ(ReadFile(pair + "mbx.1"), b.MbxBytes());  // the backup is of the real mailbox
    EXPECT_EQ(ReadFile(pair + "mbx"), ComposeMessage({"Subject: a"}, "x"));
}

// When the new mailbox file could not be renamed into place, the closing
// message said it was in place and that a later run would finish the TOC
// file: the old pair was in fact untouched.
TEST_F(RewriteBodiesTest, AFailedMailboxRenameSaysNothingWasChanged) {
    MailboxBuilder b;
    for (int i = 0; i < 10; ++i) b.Add(ComposeMessage({"Subject: s"}, "body"));
    Write(b);
    const std::string newMbx = pair + "mbx" + std::string(kNewSuffix);
    host.onWait = [&](AppState&) { std::filesystem::remove(newMbx); };  // the pause before message 10
    auto r = RewriteBodies(context, pair + "mbx", RewriteMode::Rot13);
    ASSERT_FALSE(r.ok());
    EXPECT_EQ(r.error().find("in place"), std::string::npos) << r.error();
    EXPECT_NE(r.error().find("Nothing was changed"), std::string::npos) << r.error();
    EXPECT_EQ(ReadFile(pair + "mbx"), b.MbxBytes());
    EXPECT_EQ(ReadFile(pair + "toc"), b.TocBytes());
    EXPECT_EQ(FolderEntries(), (std::vector<std::string>{"In.mbx", "In.mbx.1", "In.toc", "In.toc.1"}));
}

}  // namespace
}  // namespace ledgerly
