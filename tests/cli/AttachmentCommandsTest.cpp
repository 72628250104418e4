#include <gtest/gtest.h>

#include <sys/stat.h>

#include <filesystem>

#include "store/MailboxBuilder.h"
#include "tests/support/TestSupport.h"

namespace fs = std::filesystem;
using namespace ledgerly;
using ledgerly::test::ReadFile;
using ledgerly::test::RunCli;
using ledgerly::test::TempDir;
using ledgerly::test::WriteFile;

namespace {

// A small store: attach/ with a referenced and two orphaned files, one mailbox
// naming the referenced file and a broken Windows path.
struct CliStore {
    TempDir dir;
    std::string data;
    CliStore() : data(dir / "Eudora/") {
        fs::create_directories(data + "attach");
        fs::create_directories(data + "Work.fol");
        fs::create_directories(data + "Moved");
        WriteFile(data + "attach/kept.pdf", "k");
        WriteFile(data + "attach/lost-a.txt", "a");
        WriteFile(data + "attach/lost-b.txt", "bb");
        WriteFile(data + "Moved/old.doc", "o");
        MailboxBuilder in;
        in.Add(ComposeMessage({"From: ann@x"}, "\r\nAttachment Converted: \"" + data + "attach/kept.pdf\"\r\n"), "Ann");
        in.Add(ComposeMessage({"From: bob@x"}, "\r\nAttachment Converted: \"C:\\Program Files\\Mail\\old.doc\"\r\n"), "Bob");
        EXPECT_TRUE(in.Write(data + "In.").ok());
        MailboxBuilder work;
        work.Add(ComposeMessage({"From: cid@x"}, "\r\nplain\r\n"), "Cid");
        EXPECT_TRUE(work.Write(data + "Work.fol/Work.").ok());
    }
};

}  // namespace

TEST(CliOrphans, ListsOrphansOnStdoutAndStatusOnStderr) {
    CliStore s;
    const auto run = RunCli({"--data-folder", s.data, "orphans", s.data});
    EXPECT_EQ(run.exitCode, 0) << run.err;
    EXPECT_EQ(run.out, s.data + test::Native("attach/lost-a.txt\n") + s.data + test::Native("attach/lost-b.txt\n"));
    EXPECT_EQ(run.err, "Search Completed. 2 orphaned attachments found in 2 mailboxes.\n");
}

TEST(CliOrphans, CopyMoveAndWipe) {
    CliStore s;
    fs::create_directories(s.dir.path() / "keep");
    auto run = RunCli({"orphans", "--copy-to", s.dir / "keep", s.data});
    EXPECT_EQ(run.exitCode, 0) << run.err;
    EXPECT_EQ(ReadFile(s.dir / "keep/lost-b.txt"), "bb");
    EXPECT_TRUE(fs::exists(s.data + "attach/lost-b.txt"));

    // Moving onto the files' own folder keeps them.
    run = RunCli({"orphans", "--move-to", s.data + "attach", s.data});
    EXPECT_TRUE(fs::exists(s.data + "attach/lost-a.txt"));
    EXPECT_NE(run.err.find("2 skipped"), std::string::npos) << run.err;

    // Wipe asks; without --yes and without a terminal nothing is deleted.
    run = RunCli({"orphans", "--wipe", s.data});
    EXPECT_EQ(run.exitCode, 1);
    EXPECT_TRUE(fs::exists(s.data + "attach/lost-a.txt"));
    run = RunCli({"orphans", "--wipe", "--yes", s.data});
    EXPECT_EQ(run.exitCode, 0) << run.err;
    EXPECT_FALSE(fs::exists(s.data + "attach/lost-a.txt"));
    EXPECT_TRUE(fs::exists(s.data + "attach/kept.pdf"));
    EXPECT_NE(run.err.find("2 files deleted."), std::string::npos);
}

// Two orphans of one name in different folders, moved with --yes: "4 files
// moved" and one file's content gone. And --wipe went ahead although a
// mailbox that may refer to the files could not be read.
TEST(CliOrphans, MovesNeverReplaceAFileAndWipeStopsAtAnUnreadableMailbox) {
    CliStore s;
    fs::create_directories(s.data + "attach/sub");
    WriteFile(s.data + "attach/sub/lost-a.txt", "other a");
    fs::create_directories(s.dir.path() / "keep");
    WriteFile(s.dir / "keep/lost-b.txt", "was there");
    auto run = RunCli({"orphans", "--move-to", s.dir / "keep", "--yes", s.data});
    EXPECT_EQ(run.exitCode, 0) << run.err;
    EXPECT_EQ(ReadFile(s.dir / "keep/lost-a.txt") + "|" + ReadFile(s.dir / "keep/lost-a (2).txt"), "other a|a");
    EXPECT_EQ(ReadFile(s.dir / "keep/lost-b.txt"), "was there");
    EXPECT_EQ(ReadFile(s.dir / "keep/lost-b (2).txt"), "bb");
    EXPECT_NE(run.err.find("3 files moved. Kept beside a file of the same name:"), std::string::npos) << run.err;

#ifndef _WIN32  // FIFOs
    WriteFile(s.data + "attach/lost-c.txt", "c");
    ASSERT_EQ(::mkfifo((s.data + "Pipe.mbx").c_str(), 0600), 0);
    run = RunCli({"orphans", "--wipe", "--yes", s.data});
    EXPECT_EQ(run.exitCode, 1);
    EXPECT_NE(run.err.find("Cannot read '" + s.data + "Pipe.mbx': it is a named pipe, not a regular file. The files that mailbox refers to "
                                                         "are unknown, so none of the files found was deleted."),
              std::string::npos) << run.err;
    EXPECT_TRUE(fs::exists(s.data + "attach/lost-c.txt"));
#endif
}

TEST(CliOrphans, EmbeddedModeNeedsItsFolder) {
    CliStore s;
    EXPECT_EQ(RunCli({"orphans", "--embedded", s.data}).exitCode, 2);
    const auto run = RunCli({"orphans", "--embedded", "--search-folder", s.data + "attach", s.data});
    EXPECT_EQ(run.exitCode, 0);
    EXPECT_EQ(run.err, "Search Completed. 3 orphaned embedded files found.\n");
}

TEST(CliRelink, ListsThenRepairs) {
    CliStore s;
    auto run = RunCli({"relink", s.data + "In.mbx"});
    EXPECT_EQ(run.exitCode, 0) << run.err;
    EXPECT_EQ(run.out, "old.doc\tBob\tC:\\Program Files\\Mail\\old.doc\n");
    EXPECT_EQ(run.err, "1 broken attachment-references found.\n");

    EXPECT_EQ(RunCli({"relink", s.data + "In.mbx", "--set-folder", s.data + "Nope"}).err, "Folder '" + s.data + "Nope' does not exsit.\n");
    EXPECT_EQ(RunCli({"relink", s.data + "In.mbx", "--set-folder", s.data + "Moved", "--only", "x.doc"}).exitCode, 1);
    // A dry run lists the change, in the order the usage line gives the options.
    run = RunCli({"relink", "--set-folder", s.data + "Moved", "--only", "old.doc", s.data + "In.mbx", "--dry-run"});
    EXPECT_EQ(run.exitCode, 0) << run.err;
    EXPECT_EQ(run.out, "C:\\Program Files\\Mail\\old.doc -> " + s.data + test::Native("Moved/old.doc\n"));
    EXPECT_EQ(run.err, "1 reference would change; nothing was written.\n");
    run = RunCli({"relink", "--remove", "C:\\Program Files\\Mail\\old.doc", s.data + "In.mbx", "--dry-run"});
    EXPECT_EQ(run.out, "C:\\Program Files\\Mail\\old.doc -> (removed)\n") << run.err;
    EXPECT_FALSE(fs::exists(s.data + "In.mbx.1"));

    run = RunCli({"relink", s.data + "In.mbx", "--set-folder", s.data + "Moved"});
    EXPECT_EQ(run.exitCode, 0) << run.err;
    EXPECT_EQ(run.out, "");
    EXPECT_NE(run.err.find("Backup: " + s.data + "In.toc.1\nBackup: " + s.data + "In.mbx.1\n"), std::string::npos) << run.err;
    EXPECT_NE(run.err.find("Done. Operation was successful. Backup files created."), std::string::npos);
    EXPECT_NE(ReadFile(s.data + "In.mbx").find("Attachment Converted: \"" + s.data + test::Native("Moved/old.doc\"")), std::string::npos);
    run = RunCli({"relink", s.data + "In.mbx"});
    EXPECT_EQ(run.out, "");
    EXPECT_EQ(run.err, "No broken attachment-references found.\n");
    EXPECT_EQ(RunCli({"verify", s.data + "In.mbx"}).exitCode, 0);
}

TEST(CliRelink, RemoveTakesThePathOut) {
    CliStore s;
    const auto run = RunCli({"relink", s.data + "In.mbx", "--remove", "c:\\program files\\mail\\OLD.doc"});
    EXPECT_EQ(run.exitCode, 0) << run.err;
    const std::string mbx = ReadFile(s.data + "In.mbx");
    EXPECT_EQ(mbx.find("old.doc"), std::string::npos);
    EXPECT_NE(mbx.find("Attachment Converted: \"\"\r\n"), std::string::npos);
}
