#include <gtest/gtest.h>

#include <filesystem>

#include "body/Backup.h"
#include "body/Delimiters.h"
#include "store/MailboxBuilder.h"
#include "store/PairCheck.h"
#include "tests/support/TestSupport.h"

namespace ledgerly {
namespace {

using test::ReadFile;
using test::TempDir;
using test::WriteFile;
namespace fs = std::filesystem;

TEST(CreateBackup, TakesTheSmallestFreeNumberAndSetsTheLastBackupByExtension) {
    TempDir dir;
    struct Row { const char* file; std::vector<const char*> existing; const char* expected; bool toc; };
    const Row rows[] = {
        {"In.mbx", {}, "In.mbx.1", false},
        {"In.mbx", {"In.mbx.1", "In.mbx.3"}, "In.mbx.2", false},
        {"In.mbx", {"In.mbx.1", "In.mbx.2", "In.mbx.01"}, "In.mbx.3", false},
        {"OUT.TOC", {}, "OUT.TOC.1", true},
        {"Notes.Mbx", {"Notes.Mbx.1"}, "Notes.Mbx.2", false},
    };
    for (const Row& row : rows) {
        AppState state;
        WriteFile(dir / row.file, std::string("content of ") + row.file);
        for (const char* e : row.existing) WriteFile(dir / e, "older");
        auto name = CreateBackup(state, dir / row.file);
        ASSERT_TRUE(name.ok()) << name.error();
        EXPECT_EQ(*name, dir / row.expected);
        EXPECT_EQ(ReadFile(*name), std::string("content of ") + row.file);
        EXPECT_EQ(row.toc ? state.TocBackupPath : state.MbxBackupPath, *name);
        EXPECT_TRUE((row.toc ? state.MbxBackupPath : state.TocBackupPath).empty());
        for (const char* e : row.existing) EXPECT_EQ(ReadFile(dir / e), "older");  // never overwritten
        for (const auto& e : fs::directory_iterator(dir.path())) fs::remove(e.path());
    }
}

TEST(CreateBackup, NeitherPathChangesForOtherFilesAndAMissingFileMakesNothing) {
    TempDir dir;
    AppState state;
    WriteFile(dir / "notes.txt", "x");
    ASSERT_EQ(*CreateBackup(state, dir / "notes.txt"), dir / "notes.txt.1");
    EXPECT_TRUE(state.TocBackupPath.empty() && state.MbxBackupPath.empty());
    auto missing = CreateBackup(state, dir / "gone.mbx");
    ASSERT_TRUE(missing.ok());
    EXPECT_TRUE(missing->empty());
    EXPECT_FALSE(fs::exists(dir / "gone.mbx.1"));
}

// A name that cannot be looked up used to send the search for a free number
// round for ever: 254 characters fit a file name, 256 do not.
TEST(CreateBackup, ANameTooLongForABackupFailsInsteadOfCountingForever) {
    TempDir dir;
    AppState state;
    const std::string longName = dir / (std::string(250, 'n') + ".mbx");
    WriteFile(longName, "m");
    auto name = CreateBackup(state, longName);
    ASSERT_FALSE(name.ok());
    EXPECT_NE(name.error().find("Nothing was changed."), std::string::npos) << name.error();
    EXPECT_TRUE(state.MbxBackupPath.empty());
    EXPECT_EQ(ReadFile(longName), "m");
}

TEST(RepairDelimiters, InsertsALineBreakOnlyWhereAnHtmlEndRunsIntoADelimiter) {
    struct Row { std::string input; std::string expected; std::int64_t mended; };
    const std::string d = "From ???@??? Mon Dec 13 18:45:29 2010\r\n";
    const Row rows[] = {
        {"a\r\n" + d + "b\r\n", "a\r\n" + d + "b\r\n", 0},
        {"x</x-html>" + d + "y</x-html>" + d + "z", "x</x-html>\r\n" + d + "y</x-html>\r\n" + d + "z", 2},
        {"</x-html> " + d, "</x-html> " + d, 0},
        {"</X-HTML>" + d, "</X-HTML>" + d, 0},
        {"</x-html>From ???@???", "</x-html>\r\nFrom ???@???", 1},
    };
    for (const Row& row : rows) {
        TempDir dir;
        AppState state;
        test::FakeHost host(state);
        ToolContext context{state, host};
        WriteFile(dir / "In.mbx", row.input);
        auto repaired = RepairMessageDelimiters(context, dir / "In.mbx");
        ASSERT_TRUE(repaired.ok()) << repaired.error();
        EXPECT_EQ(repaired->mended, row.mended);
        EXPECT_EQ(ReadFile(dir / "In.mbx"), row.expected);
        EXPECT_EQ(ReadFile(dir / "In.mbx").size(), row.input.size() + 2 * static_cast<std::size_t>(row.mended));
    }
}

// The file is mended piece by piece; a run-in cut anywhere between two
// pieces must be found as if the file were read whole.
TEST(RepairDelimiters, ARunInSplitBetweenPiecesIsStillMended) {
    const std::string d = "From ???@???";
    const std::string content = "a</x-html>" + d + " x\r\nb</x-html></x-html>" + d + "</x-html>Fro";
    const std::string whole = InsertMissingDelimiterBreaks(content);
    ASSERT_EQ(whole, "a</x-html>\r\n" + d + " x\r\nb</x-html></x-html>\r\n" + d + "</x-html>Fro");
    for (std::size_t size = 1; size <= content.size(); ++size) {
        DelimiterMender mender;
        std::string out;
        for (std::size_t at = 0; at < content.size(); at += size) mender.Feed(std::string_view(content).substr(at, size), out);
        mender.Finish(out);
        EXPECT_EQ(out, whole) << "pieces of " << size;
        EXPECT_EQ(mender.Mended(), 2) << "pieces of " << size;
        // Every input byte is found where MovedTo says, the delimiters behind their new line breaks.
        for (std::size_t x = 0; x < content.size(); ++x)
            ASSERT_EQ(out[static_cast<std::size_t>(mender.MovedTo(static_cast<std::int64_t>(x)))], content[x]) << x << ", pieces of " << size;
        EXPECT_EQ(mender.MovedTo(static_cast<std::int64_t>(content.size())), static_cast<std::int64_t>(whole.size()));
    }
}

class DelimiterCommandTest : public ::testing::Test {
protected:
    TempDir dir;
    AppState state;
    test::FakeHost host{state};
    ToolContext context{state, host};
    std::string mbx = dir / "In.mbx", toc = dir / "In.toc";
    std::string content = ComposeMessage({"Subject: a"}, "<x-html>\r\nhi</x-html>") + ComposeMessage({"Subject: b"}, "b");

    void SetUp() override {
        WriteFile(mbx, content);
        WriteFile(toc, "toc bytes");
    }
};

TEST_F(DelimiterCommandTest, AsksThenBacksUpDeletesTheTocAndRepairs) {
    auto r = RepairMessageDelimiters(context, mbx);
    ASSERT_TRUE(r.ok()) << r.error();
    ASSERT_EQ(host.asked.size(), 1u);
    EXPECT_EQ(host.asked[0], "Ledgerly|Status information for all messages \r\nin this mailbox will be lost. Proceed anyway ?");
    EXPECT_EQ(r->mended, 1);
    EXPECT_TRUE(r->tocDeleted);
    EXPECT_FALSE(fs::exists(toc));
    EXPECT_EQ(ReadFile(dir / "In.toc.1"), "toc bytes");
    EXPECT_EQ(ReadFile(dir / "In.mbx.1"), content);
    EXPECT_EQ(r->backups.toc, dir / "In.toc.1");
    EXPECT_EQ(ReadFile(mbx).size(), content.size() + 2);
    // A TOC file that does not agree with its mailbox is deleted all the same, and the command says so.
    EXPECT_NE(r->ClosingText().find("the TOC file was deleted (Eudora builds a new one). The TOC file did not agree with the mailbox: The TOC "
                                    "file holds 9 bytes, less than its 104-byte header. The repair deletes it all the same. Done."),
              std::string::npos) << r->ClosingText();
}

TEST_F(DelimiterCommandTest, NoChangesAnythingAndAMissingTocDoesNotStopTheRepair) {
    host.answers = {false};
    auto declined = RepairMessageDelimiters(context, mbx);
    ASSERT_TRUE(declined.ok());
    EXPECT_TRUE(declined->declined);
    EXPECT_EQ(ReadFile(mbx), content);
    EXPECT_TRUE(fs::exists(toc));
    EXPECT_FALSE(fs::exists(dir / "In.mbx.1"));

    fs::remove(toc);
    auto r = RepairMessageDelimiters(context, mbx);
    ASSERT_TRUE(r.ok()) << r.error();
    EXPECT_FALSE(r->tocDeleted);
    EXPECT_TRUE(r->backups.toc.empty());
    EXPECT_EQ(r->mended, 1);
}

TEST_F(DelimiterCommandTest, AFailedBackupStopsBeforeTheTocIsDeleted) {
    fs::create_directory(dir / "In.mbx.1.ledgerly-partial");
    auto r = RepairMessageDelimiters(context, mbx);
    ASSERT_FALSE(r.ok());
    EXPECT_NE(r.error().find("Cannot create the backup '" + dir / "In.mbx.1" + "'"), std::string::npos) << r.error();
    EXPECT_TRUE(fs::exists(toc));
    EXPECT_EQ(ReadFile(mbx), content);
}

TEST_F(DelimiterCommandTest, RebuildingTheTocInsteadKeepsEveryStateWhereverTheRepairMovedItsMessage) {
    // As Eudora listed them: the HTML message apart from the one run into it.
    MailboxBuilder b;
    b.Add(ComposeMessage({"Subject: first"}, "plain\r\n"), "w", "first", "", 2);
    b.Add(ComposeMessage({"Subject: html"}, "<x-html>\r\nhi</x-html>"), "w", "html", "", 3);
    b.Add(ComposeMessage({"Subject: glued"}, "x</x-html>"), "w", "glued", "", 4, 1);
    b.Add(ComposeMessage({"Subject: last"}, "y\r\n"), "w", "last", "", 2);
    ASSERT_TRUE(b.Write(dir / "In.").ok());
    const std::string unlisted = ComposeMessage({"Received: from relay by host", "From: ann@host", "Subject: new"}, "z\r\n");
    WriteFile(mbx, b.MbxBytes() + unlisted);

    auto r = RepairMessageDelimiters(context, mbx, true, [](char*) {});
    ASSERT_TRUE(r.ok()) << r.error();
    EXPECT_EQ(host.asked, std::vector<std::string>{"Ledgerly|" + RebuildAfterRepairQuestion(mbx)});
    EXPECT_EQ(r->mended, 2);
    EXPECT_TRUE(r->tocRebuilt && !r->tocDeleted);
    EXPECT_EQ(r->rebuild.kept, 4);
    EXPECT_EQ(r->rebuild.added, 1);
    EXPECT_EQ(ReadFile(dir / "In.toc.1"), b.TocBytes());
    const std::string repaired = ReadFile(mbx);
    EXPECT_EQ(repaired.size(), b.MbxBytes().size() + unlisted.size() + 4);

    auto rebuilt = TocImage::FromBytes(ReadFile(toc));
    ASSERT_EQ(rebuilt->AnnouncedCount(), 5);
    const std::int16_t states[] = {2, 3, 4, 2, 12};
    for (std::int32_t k = 1; k <= 5; ++k) {
        const MessageSummary s = rebuilt->ReadSummary(k);
        EXPECT_EQ(s.Status, states[k - 1]) << k;
        EXPECT_EQ(repaired.substr(static_cast<std::size_t>(s.Offset), 12), "From ???@???") << k;
        if (k <= 4) {
            EXPECT_EQ(s.Subject, b.Summary(static_cast<std::size_t>(k - 1)).Subject) << k;
        }
    }
    EXPECT_TRUE(CheckPair(MailboxPair::FromMailboxPath(mbx)).Sound());
    EXPECT_EQ(rebuilt->ReadHeader().RecordedMailboxSize(), repaired.size() + 1);
}

TEST(BackupCommand, AsksAboutBothFilesAndReportsEachCase) {
    struct Row { bool toc, mbx; std::string report; };
    TempDir dir;
    const std::string k = dir / "In.mbx", p = dir / "In.";
    EXPECT_EQ(BackupQuestion(k), "Backup '" + p + "toc' and '" + k + "'?");
    const Row rows[] = {
        {true, true, "Created backup files:\r\n'" + k + ".1'\r\n'" + p + "toc.1'"},
        {false, true, "'" + p + "toc' not found.\r\nCreated backup file:\r\n" + k + ".1"},
        {true, false, "'" + k + "' not found.\r\nCreated backup file:\r\n" + p + "toc.1"},
        {false, false, "Files: '" + p + "toc' and '" + k + "' were not found.\r\nBackup aborted."},
    };
    for (const Row& row : rows) {
        for (const auto& e : fs::directory_iterator(dir.path())) fs::remove(e.path());
        if (row.toc) WriteFile(p + "toc", "t");
        if (row.mbx) WriteFile(k, "m");
        AppState state;
        const BackupReport report = BackupMailboxPair(state, k);
        EXPECT_FALSE(report.failed);
        EXPECT_EQ(report.text, row.report);
        EXPECT_EQ(fs::exists(p + "toc.1"), row.toc);
        EXPECT_EQ(fs::exists(k + ".1"), row.mbx);
        EXPECT_EQ(state.TocBackupPath, row.toc ? p + "toc.1" : "");
        EXPECT_EQ(state.MbxBackupPath, row.mbx ? k + ".1" : "");
    }
}

TEST(BackupCommand, BacksUpBothFilesOfAPairWhoseExtensionsDifferInCase) {
    struct Row { std::string mbx, toc, asked; };
    const Row rows[] = {{"IN.MBX", "IN.TOC", "IN.MBX"}, {"In.MBX", "In.toc", "In.MBX"}, {"In.mbx", "In.TOC", "In.mbx"},
                        {"In.MBX", "In.TOC", "In.mbx"}};
    for (const Row& row : rows) {
        TempDir dir;
        WriteFile(dir / row.mbx, "m");
        WriteFile(dir / row.toc, "t");
        AppState state;
        const BackupReport report = BackupMailboxPair(state, dir / row.asked);
        EXPECT_EQ(report.text, "Created backup files:\r\n'" + dir / row.mbx + ".1'\r\n'" + dir / row.toc + ".1'") << row.asked;
        EXPECT_EQ(ReadFile(dir / (row.toc + ".1")), "t");
        auto pair = BackupPair(state, (dir / row.mbx).substr(0, (dir / row.mbx).size() - 3));
        ASSERT_TRUE(pair.ok());
        EXPECT_EQ(pair->toc, dir / row.toc + ".2");
        EXPECT_EQ(pair->mbx, dir / row.mbx + ".2");
    }
}

TEST(BackupCommand, ACopyThatFailsIsReportedWithTheBackupAlreadyMade) {
    TempDir dir;
    const std::string k = dir / "In.mbx";
    WriteFile(dir / "In.toc", "t");
    WriteFile(k, "m");
    fs::create_directory(k + ".1.ledgerly-partial");
    AppState state;
    const BackupReport report = BackupMailboxPair(state, k);
    EXPECT_TRUE(report.failed);
    EXPECT_EQ(report.text.find("Cannot create the backup '" + k + ".1'"), 0u) << report.text;
    EXPECT_NE(report.text.find("The backup '" + dir / "In.toc.1" + "' was made."), std::string::npos) << report.text;
    EXPECT_FALSE(fs::exists(k + ".1"));
}

}  // namespace
}  // namespace ledgerly
