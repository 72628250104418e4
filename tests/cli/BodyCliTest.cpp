// The body tools from the command line, end to end.
#include <gtest/gtest.h>

#include <filesystem>

#include "app/FileHelpers.h"
#include "store/MailboxBuilder.h"
#include "tests/support/TestSupport.h"

namespace ledgerly {
namespace {

using test::ReadFile;
using test::RunCli;
using test::TempDir;
namespace fs = std::filesystem;

class BodyCli : public ::testing::Test {
protected:
    TempDir dir;
    std::string pair = dir / "In.";
    MailboxBuilder box;
    void SetUp() override {
        box.Add(ComposeMessage({"Subject: a"}, "<b>x</b>=41</x-html>")).Add(ComposeMessage({"Subject: b"}, "y"));
        ASSERT_TRUE(box.Write(pair).ok());
    }
};

TEST_F(BodyCli, RewriteCommandsReportTheirBackupsAndTheDoneTextOnStderr) {
    struct Row { const char* command; const char* body; };
    const Row rows[] = {{"strip-html", "x=41"}, {"decode-qp", "<b>x</b>41</x-html>"}, {"rot13", "<o>k</o>=41</k-ugzy>"}};
    int n = 0;
    for (const Row& row : rows) {
        ++n;
        ASSERT_TRUE(box.Write(pair).ok());
        const auto run = RunCli({row.command, pair + "mbx"});
        EXPECT_EQ(run.exitCode, 0) << run.err;
        const std::string k = std::to_string(n);
        EXPECT_EQ(run.out, "");
        EXPECT_EQ(run.err, "Backup: " + pair + "toc." + k + "\nBackup: " + pair + "mbx." + k +
                               "\nDone. Operation was successful. Backup files created.\n");
        EXPECT_EQ(ReadFile(pair + "mbx").find(ComposeMessage({"Subject: a"}, row.body)), 0u) << row.command;
    }
}

TEST_F(BodyCli, RewriteCommandsRefuseAMissingTocOrAnInconsistentPair) {
    std::string toc = ReadFile(pair + "toc");
    toc.resize(toc.size() - 1);
    test::WriteFile(pair + "toc", toc);
    auto run = RunCli({"strip-html", pair + "mbx"});
    EXPECT_EQ(run.exitCode, 1);
    EXPECT_NE(run.err.find("announces 2 summaries but the file holds only 1"), std::string::npos) << run.err;
    EXPECT_FALSE(fs::exists(pair + "mbx.1"));

    fs::remove(pair + "toc");
    run = RunCli({"decode-qp", pair + "mbx"});
    EXPECT_EQ(run.exitCode, 1);
    EXPECT_EQ(run.err, "TOC-file not found: '" + pair + "toc'.\n");
}

// Overlapping summaries made verify fail while strip-html, update and
// duplicates --fast went ahead; a TOC that listed none of 16 messages made
// strip-html empty the mailbox and report success.
TEST_F(BodyCli, InconsistentPairsAreRefusedByEveryChangingCommandWithWhatToDo) {
    MailboxBuilder sixteen;
    for (int i = 0; i < 16; ++i) sixteen.Add(ComposeMessage({"Subject: m"}, "<b>x</b>"), "who", "m");
    struct Row { const char* name; std::string mbx, toc, says; };
    TocImage overlap = *TocImage::FromBytes(box.TocBytes());
    MessageSummary second = overlap.ReadSummary(2);
    second.Offset -= 4;
    second.Length += 4;
    overlap.WriteSummary(2, second);
    TocImage empty = *TocImage::FromBytes(sixteen.TocBytes().substr(0, 104));
    TocHeader header = empty.ReadHeader();
    header.MessageCount = 0;
    empty.WriteHeader(header);
    const Row rows[] = {
        {"overlapping summaries", box.MbxBytes(), overlap.bytes(), "Summary 2: its bytes overlap those of the summary before it."},
        {"a TOC that lists no message", sixteen.MbxBytes(), empty.bytes(), "The TOC lists 0 of the 16 messages in the mailbox."},
    };
    for (const Row& row : rows) {
        for (const std::vector<std::string>& command : {std::vector<std::string>{"strip-html"}, {"update", "--all"}, {"duplicates", "--fast"},
                                                         {"mark", "sent"}}) {
            test::WriteFile(pair + "mbx", row.mbx);
            test::WriteFile(pair + "toc", row.toc);
            std::vector<std::string> args = command;
            args.push_back(pair + "mbx");
            const auto run = RunCli(args);
            EXPECT_EQ(run.exitCode, 1) << row.name << ", " << command.front();
            EXPECT_NE(run.err.find(row.says + " Let Eudora rebuild the TOC file"), std::string::npos) << row.name << ": " << run.err;
            EXPECT_EQ(ReadFile(pair + "mbx"), row.mbx) << row.name << ", " << command.front();
            EXPECT_EQ(ReadFile(pair + "toc"), row.toc) << row.name << ", " << command.front();
            EXPECT_FALSE(fs::exists(pair + "mbx.1")) << row.name << ", " << command.front();
        }
        // The delimiter repair deletes the TOC by design: it goes ahead and says why the TOC did not matter.
        const auto run = RunCli({"repair-delimiters", "--yes", pair + "mbx"});
        EXPECT_EQ(run.exitCode, 0) << run.err;
        EXPECT_NE(run.err.find("The TOC file did not agree with the mailbox: " + row.says + " The repair deletes it all the same."), std::string::npos)
            << run.err;
        EXPECT_EQ(ReadFile(pair + "mbx.1"), row.mbx);
        EXPECT_FALSE(fs::exists(pair + "toc"));
        for (const auto& e : fs::directory_iterator(dir.path())) fs::remove(e.path());
    }
}

TEST_F(BodyCli, RepairDelimitersWithoutATerminalNeedsYes) {
    const std::string before = ReadFile(pair + "mbx");
    auto run = RunCli({"repair-delimiters", pair + "mbx"});
    EXPECT_EQ(run.exitCode, 1);
    EXPECT_NE(run.err.find("Proceed anyway ?"), std::string::npos) << run.err;
    EXPECT_NE(run.err.find("--yes"), std::string::npos) << run.err;
    EXPECT_EQ(ReadFile(pair + "mbx"), before);
    EXPECT_TRUE(fs::exists(pair + "toc"));
    EXPECT_FALSE(fs::exists(pair + "toc.1"));

    run = RunCli({"repair-delimiters", "--yes", pair + "mbx"});
    EXPECT_EQ(run.exitCode, 0) << run.err;
    EXPECT_EQ(run.err, "Backup: " + pair + "toc.1\nBackup: " + pair + "mbx.1\n" +
                           "1 delimiter repaired; the TOC file was deleted (Eudora builds a new one).\n" +
                           "Done. Operation was successful. Backup files created.\n");
    EXPECT_FALSE(fs::exists(pair + "toc"));
    EXPECT_EQ(ReadFile(pair + "mbx").size(), before.size() + 2);
}

TEST_F(BodyCli, RepairDelimitersRebuildingTheTocKeepsTheStatesAndPassesVerify) {
    box.Summary(0).Status = 2;  // replied
    box.Summary(1).Status = 3;  // forwarded
    ASSERT_TRUE(box.Write(pair).ok());
    const auto run = RunCli({"repair-delimiters", "--rebuild-toc", "--yes", pair + "mbx"});
    ASSERT_EQ(run.exitCode, 0) << run.err;
    EXPECT_EQ(run.err, "Backup: " + pair + "toc.1\nBackup: " + pair + "mbx.1\n" +
                           "1 delimiter repaired; the TOC file was rebuilt.\n" +
                           "2 messages keep their summary, 0 messages get a new one (marked recovered or sent), 0 old summaries match no message.\n"
                           "Done. Operation was successful. Backup files created.\n");
    auto toc = TocImage::FromBytes(ReadFile(pair + "toc"));
    EXPECT_EQ(toc->ReadSummary(1).Status, 2);
    EXPECT_EQ(toc->ReadSummary(2).Status, 3);
    EXPECT_EQ(toc->ReadSummary(2).Offset, toc->ReadSummary(1).Length);
    EXPECT_EQ(RunCli({"verify", pair + "mbx"}).exitCode, 0);
}

TEST_F(BodyCli, BackupReportsOnStderr) {
    auto run = RunCli({"backup", pair + "mbx"});
    EXPECT_EQ(run.exitCode, 0) << run.err;
    EXPECT_EQ(run.err, "Created backup files:\n'" + pair + "mbx.1'\n'" + pair + "toc.1'\n");
    fs::remove(pair + "mbx");
    fs::remove(pair + "toc");
    run = RunCli({"backup", pair + "mbx"});
    EXPECT_EQ(run.exitCode, 1);
    EXPECT_EQ(run.err, "Files: '" + pair + "toc' and '" + pair + "mbx' were not found.\nBackup aborted.\n");
    EXPECT_EQ(run.out, "");
}

// Paths were converted as if they were mail text, so a folder named in UTF-8
// came out garbled in the backup names the commands print; on Windows the
// numbering looked for earlier backups under a garbled name, so the second
// backup was refused.
TEST_F(BodyCli, BackupNamesInANonAsciiFolderArePrintedAsTheyAre) {
    const std::string folder = dir / "Po\xC5\xA1ta \xC3\x84";  // "Pošta Ä" in UTF-8
    fs::create_directory(FsPath(folder));  // a plain std::string would be taken in the ANSI code page on Windows
    const std::string p = folder + test::Native("/In.");
    ASSERT_TRUE(box.Write(p).ok());
    auto run = RunCli({"rot13", p + "mbx"});
    EXPECT_EQ(run.exitCode, 0) << run.err;
    EXPECT_EQ(run.err.find("Backup: " + p + "toc.1\nBackup: " + p + "mbx.1\n"), 0u) << run.err;
    run = RunCli({"backup", p + "mbx"});
    EXPECT_EQ(run.err, "Created backup files:\n'" + p + "mbx.2'\n'" + p + "toc.2'\n");
    run = RunCli({"repair-delimiters", "--yes", p + "mbx"});
    EXPECT_EQ(run.err.find("Backup: " + p + "toc.3\nBackup: " + p + "mbx.3\n"), 0u) << run.err;
}

}  // namespace
}  // namespace ledgerly
