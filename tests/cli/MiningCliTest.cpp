#include <gtest/gtest.h>

#include "mining/ResultFiles.h"
#include "tests/support/TestSupport.h"

namespace ledgerly {
namespace {

using test::ReadFile;
using test::RunCli;
using test::TempDir;
using test::WriteFile;

const std::string kMailbox =
    "From ???@??? Mon Dec 13 18:45:29 2010\r\n"
    "To: Ann <ann@b.c>, d@b.c\r\n"
    "\r\n"
    "see <mailto:ann@b.c>, or http://cd/e?f=1. and ftp://files.example/caf\xE9\r\n";

TEST(LinksCommand, PrintsTextAndTagThenTheCaption) {
    TempDir dir;
    WriteFile(dir / "In.mbx", kMailbox);
    struct Case { std::vector<std::string> args; std::string out, caption; };
    const Case cases[] = {
        {{"--all"}, "ann@b.c\tmailto:ann@b.c\ncd/e?f=1.\thttp://cd/e?f=1.\nfiles.example/caf\xC3\xA9\tftp://files.example/caf\xC3\xA9\n",
         "URL - All - 3 Links\n"},
        {{"--kind", "web"}, "cd/e?f=1.\thttp://cd/e?f=1.\n", "URL - HTTP - 1 Links\n"},
        {{"--kind", "ftp", "--kind", "e-mail"}, "ann@b.c\tmailto:ann@b.c\nfiles.example/caf\xC3\xA9\tftp://files.example/caf\xC3\xA9\n",
         "URL - FTP - 2 Links\n"},
        {{"--kind", "rtsp"}, "", "URL - RTSP - 0 Links\n"},
    };
    for (const Case& c : cases) {
        std::vector<std::string> args{"links"};
        args.insert(args.end(), c.args.begin(), c.args.end());
        args.push_back(dir / "In.mbx");
        const test::CliRun run = RunCli(args);
        EXPECT_EQ(run.exitCode, 0) << run.err;
        EXPECT_EQ(run.out, c.out);
        EXPECT_EQ(run.err, c.caption);
    }
}

TEST(LinksCommand, RefusesBadUse) {
    TempDir dir;
    WriteFile(dir / "In.mbx", kMailbox);
    EXPECT_EQ(RunCli({"links", dir / "In.mbx"}).exitCode, 2);                         // no kind
    EXPECT_EQ(RunCli({"links", "--kind", "gopher", dir / "In.mbx"}).exitCode, 2);     // unknown kind
    const test::CliRun missing = RunCli({"links", "--all", dir / "Gone.mbx"});
    EXPECT_EQ(missing.exitCode, 1);
    EXPECT_EQ(missing.err, "MBX-file not found: '" + dir / "Gone.mbx'.\n");
    // Adding to a link history that does not exist would create a file Eudora never made.
    const test::CliRun history = RunCli({"--data-folder", dir.str(), "links", "--all", "--add-to-history", dir / "In.mbx"});
    EXPECT_EQ(history.exitCode, 1);
    EXPECT_EQ(history.out, "");
    EXPECT_FALSE(std::filesystem::exists(dir / "LinkHistory.dat"));
}

TEST(LinksCommand, AddsTheLinkTextsToTheHistory) {
    TempDir dir;
    WriteFile(dir / "In.mbx", "mailto:a@b http://c\r\n");
    WriteFile(dir / "LinkHistory.dat", "");
    const test::CliRun run = RunCli({"--data-folder", dir.str(), "links", "--all", "--add-to-history", dir / "In.mbx"});
    EXPECT_EQ(run.exitCode, 0) << run.err;
    EXPECT_EQ(ReadFile(dir / "LinkHistory.dat"), LinkHistoryRecord("a@b") + LinkHistoryRecord("c"));
}

TEST(AddressesCommand, PrintsExportsAndFilesAddresses) {
    TempDir dir;
    WriteFile(dir / "In.mbx", kMailbox + "x\xE9@y\r\n");
    WriteFile(dir / "History.lst", "old@one\r\n");
    const test::CliRun run = RunCli({"--data-folder", dir.str(), "addresses", "--export", dir / "out.lst", "--format", "list",
                                     "--add-to-history", "--add-to-address-book", dir / "In.mbx"});
    EXPECT_EQ(run.exitCode, 0) << run.err;
    EXPECT_EQ(run.out, "ann@b.c\nd@b.c\nx\xC3\xA9@y\n");
    EXPECT_EQ(run.err, "E-Mail Addresses\n");
    // Files keep the mailbox's own bytes.
    EXPECT_EQ(ReadFile(dir / "out.lst"), "In\r\nann@b.c\r\nd@b.c\r\nx\xE9@y");
    EXPECT_EQ(ReadFile(dir / "History.lst"), "old@one\r\nann@b.c\r\nd@b.c\r\nx\xE9@y\r\n");
    EXPECT_EQ(ReadFile(dir / "Nickname/In.txt"), NicknameLines("ann@b.c", "In") + NicknameLines("d@b.c", "In") + NicknameLines("x\xE9@y", "In"));
}

TEST(AddressesCommand, ExportFormats) {
    TempDir dir;
    WriteFile(dir / "Inbox.mbx", "a@b\r\nc@d\r\n");
    struct Case { const char* format; std::string bytes; };
    for (const Case& c : {Case{"csv", "Inbox,a@b,c@d"}, Case{"tab", "Inbox\ta@b\tc@d"}, Case{"list", "Inbox\r\na@b\r\nc@d"}}) {
        const std::string out = dir / (std::string("x.") + c.format);
        const test::CliRun run = RunCli({"addresses", "--export", out, "--format", c.format, dir / "Inbox.mbx"});
        EXPECT_EQ(run.exitCode, 0) << run.err;
        EXPECT_EQ(ReadFile(out), c.bytes) << c.format;
    }
}

}  // namespace
}  // namespace ledgerly
