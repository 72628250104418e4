// The command line end to end: sample-store, list, verify, the global options.
#include <gtest/gtest.h>

#include <sys/stat.h>

#include <cstdlib>
#include <filesystem>
#include <functional>
#include <map>

#include "app/FileHelpers.h"
#include "store/MailboxBuilder.h"
#include "tests/support/TestSupport.h"

namespace ledgerly {
namespace {

using test::ReadFile;
using test::RunCli;
using test::TempDir;
using test::WriteFile;

std::string Show(const test::CliRun& r) { return "exit " + std::to_string(r.exitCode) + "\nstdout:\n" + r.out + "\nstderr:\n" + r.err; }

class SampleStoreCli : public ::testing::Test {
protected:
    void SetUp() override {
        store = dir / "s";
        const auto r = RunCli({"sample-store", store});
        ASSERT_EQ(r.exitCode, 0) << Show(r);
        ASSERT_NE(r.out.find(dir / "s/In.mbx" + "\n"), std::string::npos) << Show(r);
        ASSERT_NE(r.err.find("Wrote the sample store in "), std::string::npos) << Show(r);
    }
    TempDir dir;
    std::string store;
};

TEST_F(SampleStoreCli, ListPrintsHeaderAndSummaries) {
    const auto r = RunCli({"list", store + "/In.mbx"});
    ASSERT_EQ(r.exitCode, 0) << Show(r);
    EXPECT_NE(r.out.find("Mailbox:  In  (type 0, in)"), std::string::npos) << r.out;
    EXPECT_NE(r.out.find("Messages: 16"), std::string::npos) << r.out;
    // A version 0x31 header: the second slot is the Junk column's and V has none.
    EXPECT_NE(r.out.find("Columns:  S=3 Junk=3 P=3 A=3 Label=5 Who=20 Date=16 K=4\n"), std::string::npos) << r.out;
    EXPECT_NE(r.out.find("Welcome to the team"), std::string::npos);
    EXPECT_NE(r.out.find("Gr\xC3\xBC\xC3\x9F" "e aus M\xC3\xBCnchen"), std::string::npos) << "text fields shown as UTF-8";
    EXPECT_NE(r.out.find("   16 "), std::string::npos);
    EXPECT_EQ(r.err, "");

    // The same through --data-folder and a relative mailbox, as JSON.
    const auto j = RunCli({"--data-folder", store, "list", "Work.fol/Projects.mbx", "--json"});
    ASSERT_EQ(j.exitCode, 0) << Show(j);
    EXPECT_EQ(j.out.rfind("{\"toc\":", 0), 0u) << j.out;
    EXPECT_NE(j.out.find("\"name\":\"Projects\",\"type\":3,\"version\":49,\"columnWidths\":[3,3,3,3,5,20,16,4],"
                         "\"columnNames\":[\"S\",\"Junk\",\"P\",\"A\",\"Label\",\"Who\",\"Date\",\"K\"],\"messageCount\":3,\"listed\":3"),
              std::string::npos)
        << j.out;
    EXPECT_NE(j.out.find("{\"index\":1,\"offset\":0,"), std::string::npos) << j.out;
    EXPECT_NE(j.out.find("\"subject\":\"Atlas: risks\"}]}"), std::string::npos) << j.out;
}

// Arguments, paths and file names outside ASCII reach the system whole (on
// Windows through the UTF-16 command line and calls) and come back as UTF-8.
TEST(CliPaths, DataFolderNamedOutsideAsciiWorksEndToEnd) {
    TempDir dir;
    const std::string store = dir / "M\xC3\xA4il \xE6\x97\xA5\xE6\x9C\xAC";  // "Mäil 日本"
    const std::string in = WithTrailingSeparator(store) + "In.mbx";
    const auto written = RunCli({"sample-store", store});
    ASSERT_EQ(written.exitCode, 0) << Show(written);
    EXPECT_NE(written.out.find(in + "\n"), std::string::npos) << Show(written);
    const auto listed = RunCli({"list", "--json", in});
    ASSERT_EQ(listed.exitCode, 0) << Show(listed);
    EXPECT_NE(listed.out.find("M\xC3\xA4il \xE6\x97\xA5\xE6\x9C\xAC"), std::string::npos) << listed.out;
    const auto updated = RunCli({"--data-folder", store, "update", "--all", "--yes", "Work.fol/Projects.mbx"});
    EXPECT_EQ(updated.exitCode, 0) << Show(updated);
    const auto stripped = RunCli({"strip-html", "--yes", in});
    EXPECT_EQ(stripped.exitCode, 0) << Show(stripped);
    EXPECT_TRUE(FileExists(in + ".1")) << Show(stripped);
    EXPECT_EQ(RunCli({"verify", in}).exitCode, 0);
    const auto crc = RunCli({"crc", in});
    EXPECT_NE(crc.out.find(in), std::string::npos) << Show(crc);
}

TEST_F(SampleStoreCli, VerifyPassesOnEverySampleMailbox) {
    int checked = 0;
    for (const auto& e : std::filesystem::recursive_directory_iterator(store)) {
        if (e.path().extension() != ".mbx") continue;
        const auto r = RunCli({"verify", e.path().string()});
        EXPECT_EQ(r.exitCode, 0) << e.path() << "\n" << Show(r);
        EXPECT_EQ(r.out, "") << r.out;
        EXPECT_EQ(r.err.rfind("OK: ", 0), 0u) << r.err;
        ++checked;
    }
    EXPECT_EQ(checked, 8);
}

TEST_F(SampleStoreCli, VerifyFailsWithAClearLineOnATruncatedToc) {
    std::string toc = ReadFile(store + "/In.toc");
    toc.resize(toc.size() - 100);
    WriteFile(store + "/In.toc", toc);
    const auto r = RunCli({"verify", store + "/In.mbx"});
    EXPECT_EQ(r.exitCode, 1) << Show(r);
    EXPECT_NE(r.out.find("error: The TOC header announces 16 summaries but the file holds only 15."), std::string::npos) << r.out;
    EXPECT_NE(r.err.find("is not consistent"), std::string::npos) << r.err;

    // list reads the complete summaries and says so.
    const auto l = RunCli({"list", store + "/In.mbx"});
    EXPECT_EQ(l.exitCode, 0) << Show(l);
    EXPECT_NE(l.err.find("only those are listed"), std::string::npos) << l.err;
    EXPECT_NE(l.out.find("Messages: 16 announced, 15 listed"), std::string::npos) << l.out;
    EXPECT_EQ(l.out.find("   16 "), std::string::npos);
}

TEST_F(SampleStoreCli, VerifyFailsOnAMovedOffset) {
    std::string toc = ReadFile(store + "/Trash.toc");
    const std::size_t at = 104 + 218;  // Offset of summary 2
    toc[at] = '\xF0';
    toc[at + 1] = '\xFF';
    toc[at + 2] = '\x00';
    toc[at + 3] = '\x00';
    WriteFile(store + "/Trash.toc", toc);
    const auto r = RunCli({"verify", store + "/Trash.mbx"});
    EXPECT_EQ(r.exitCode, 1) << Show(r);
    EXPECT_NE(r.out.find("error: Summary 2: bytes 65520 to "), std::string::npos) << r.out;
    EXPECT_NE(r.out.find("lie outside the mailbox file"), std::string::npos) << r.out;

    // Moved by a few bytes, still inside the file: the range no longer starts a message.
    toc[at] = '\x10';
    toc[at + 1] = '\0';
    WriteFile(store + "/Trash.toc", toc);
    const auto inside = RunCli({"verify", store + "/Trash.mbx"});
    EXPECT_EQ(inside.exitCode, 1) << Show(inside);
    EXPECT_NE(inside.out.find("error: Summary 2: the message at byte 16 does not start with \"From ???@???\"."), std::string::npos) << inside.out;
}

TEST_F(SampleStoreCli, SampleStoreRefusesAFolderThatIsNotEmpty) {
    const std::string before = ReadFile(store + "/In.mbx");
    const auto r = RunCli({"sample-store", store});
    EXPECT_EQ(r.exitCode, 1) << Show(r);
    EXPECT_NE(r.err.find("not empty"), std::string::npos) << r.err;
    EXPECT_EQ(ReadFile(store + "/In.mbx"), before);
}

TEST(Cli, LargeGeneratedMailbox) {
    TempDir dir;
    const auto r = RunCli({"sample-store", "--large", "300", "--seed", "3", dir / "big"});
    ASSERT_EQ(r.exitCode, 0) << Show(r);
    EXPECT_EQ(r.out, dir / "big/Large.mbx\n");
    EXPECT_NE(r.err.find("300 messages"), std::string::npos) << r.err;
    EXPECT_EQ(RunCli({"verify", dir / "big/Large.mbx"}).exitCode, 0);
    EXPECT_EQ(RunCli({"sample-store", "--large", "300", dir / "big"}).exitCode, 1);  // never overwrites
    EXPECT_EQ(RunCli({"sample-store", "--large", "40000", dir / "big2"}).exitCode, 2);
}

// A .toc or .mbx linked to /dev/zero made list grow to 3.7 GB and backup write
// 6.5 GB; a FIFO named In.mbx hung every command.
#ifndef _WIN32  // FIFOs and links to devices
TEST(Cli, AMailboxOrTocThatIsNotARegularFileIsRefusedAtOnce) {
    TempDir dir;
    MailboxBuilder b;
    b.Add(ComposeMessage({"Subject: x"}, "<b>x</b>\r\n"), "w", "x");
    struct Row { const char* file; std::function<void(const std::string&)> make; const char* kind; };
    const Row rows[] = {
        {"toc", [](const std::string& p) { std::filesystem::create_symlink("/dev/zero", p); }, "a character device"},
        {"mbx", [](const std::string& p) { ASSERT_EQ(::mkfifo(p.c_str(), 0600), 0); }, "a named pipe"},
    };
    for (const Row& row : rows) {
        ASSERT_TRUE(b.Write(dir / "In.").ok());
        const std::string target = dir / (std::string("In.") + row.file);
        std::filesystem::remove(target);
        row.make(target);
        for (const std::vector<std::string>& command :
             {std::vector<std::string>{"list"}, {"verify"}, {"backup"}, {"strip-html"}, {"update", "--all"}, {"links", "--all"}}) {
            if (command.front() == "list" && std::string(row.file) == "mbx") continue;  // list reads only the TOC
            if (command.front() == "links" && std::string(row.file) == "toc") continue;  // links reads only the mailbox
            std::vector<std::string> args = command;
            args.push_back(dir / "In.mbx");
            const auto r = RunCli(args);
            EXPECT_EQ(r.exitCode, 1) << command.front() << " on " << row.file << ": " << Show(r);
            EXPECT_NE((r.out + r.err).find("'" + target + "': it is " + row.kind + ", not a regular file."), std::string::npos)
                << command.front() << " on " << row.file << ": " << Show(r);
        }
        for (const auto& e : std::filesystem::directory_iterator(dir.path())) std::filesystem::remove(e.path());
    }
}
#endif

TEST(Cli, ListRefusalsAndUsage) {
    TempDir dir;
    auto r = RunCli({"list", dir / "None.mbx"});
    EXPECT_EQ(r.exitCode, 1);
    EXPECT_EQ(r.err, "TOC-file not found: '" + dir / "None.toc'.\n");
    WriteFile(dir / "Tiny.toc", std::string(50, '\0'));
    r = RunCli({"list", dir / "Tiny.mbx"});
    EXPECT_EQ(r.exitCode, 1);
    EXPECT_NE(r.err.find("less than its 104-byte header"), std::string::npos) << r.err;

    MailboxBuilder b;
    b.Add(ComposeMessage({"Subject: x"}, ""), "w", "x");
    ASSERT_TRUE(b.Write(dir / "Neg.").ok());
    std::string toc = ReadFile(dir / "Neg.toc");
    toc[102] = '\xFE';
    toc[103] = '\xFF';
    WriteFile(dir / "Neg.toc", toc);
    r = RunCli({"list", dir / "Neg.mbx"});
    EXPECT_EQ(r.exitCode, 0) << Show(r);
    EXPECT_NE(r.err.find("announces -2 messages; it is read as empty"), std::string::npos) << r.err;

    EXPECT_EQ(RunCli({"list"}).exitCode, 2);
    EXPECT_EQ(RunCli({"no-such-command"}).exitCode, 2);
    EXPECT_EQ(RunCli({}).exitCode, 2);
    const auto help = RunCli({"--help"});
    EXPECT_EQ(help.exitCode, 0);
    for (const char* cmd : {"list", "verify", "sample-store"}) EXPECT_NE(help.out.find(cmd), std::string::npos) << cmd;
    const auto version = RunCli({"--version"});
    EXPECT_EQ(version.exitCode, 0);
    EXPECT_NE(version.out.find("ledgerly-cli "), std::string::npos);
}

// Every file below a folder with its bytes: what a dry run must leave as it was.
std::map<std::string, std::string> Snapshot(const std::string& folder) {
    std::map<std::string, std::string> files;
    for (const auto& e : std::filesystem::recursive_directory_iterator(folder))
        if (e.is_regular_file()) files[e.path().string()] = ReadFile(e.path().string());
    return files;
}

TEST_F(SampleStoreCli, EveryMailboxCommandTakesARelativeMailboxInsideTheDataFolder) {
    const std::string out = dir / "out";
    std::filesystem::create_directory(out);
    const std::vector<std::vector<std::string>> commands = {
        {"list", "In.mbx"}, {"verify", "In.mbx"}, {"update", "--all", "In.mbx"}, {"mark", "received", "Trash.mbx"},
        {"duplicates", "--fast", "In.mbx"}, {"strip-html", "Out.mbx"}, {"decode-qp", "Junk.mbx"}, {"rot13", "Trash.mbx"},
        {"backup", "In.mbx"}, {"repair-delimiters", "--yes", "Glued.mbx"}, {"links", "--all", "In.mbx"}, {"addresses", "In.mbx"},
        {"export", "files", "In.mbx", out}, {"export", "digest", "In.mbx", out + "/d.html"}, {"relink", "In.mbx"},
        {"list", "Work.fol/Projects.toc"},
    };
    for (std::vector<std::string> args : commands) {
        args.insert(args.begin(), {"--data-folder", store});
        const auto r = RunCli(args);
        EXPECT_EQ(r.exitCode, 0) << args[2] << "\n" << Show(r);
    }
}

TEST_F(SampleStoreCli, ChangingCommandsTakeYesThoseThatAskSaySoAndDryRunsWriteNothing) {
    const std::vector<std::vector<std::string>> changing = {
        {"update"}, {"mark"}, {"duplicates"}, {"strip-html"}, {"decode-qp"}, {"rot13"}, {"backup"}, {"repair-delimiters"},
        {"links"}, {"addresses"}, {"export", "files"}, {"export", "digest"}, {"orphans"}, {"relink"}, {"align-columns"},
        {"run-script"}, {"sample-store"}};
    for (std::vector<std::string> args : changing) {
        const bool asks = args[0] == "repair-delimiters" || args[0] == "run-script" || args[0] == "orphans";
        args.push_back("--help");
        const auto help = RunCli(args);
        EXPECT_NE(help.out.find("--yes"), std::string::npos) << args[0];
        EXPECT_EQ(help.out.find("asked on a terminal") != std::string::npos, asks) << args[0] << "\n" << help.out;
    }

    const auto before = Snapshot(store);
    const std::vector<std::vector<std::string>> dryRuns = {
        {"update", "--all", "--dry-run", store + "/In.mbx"},
        {"mark", "sent", "--dry-run", store + "/In.mbx"},
        {"duplicates", "--fast", "--dry-run", store + "/In.mbx"},
        {"relink", store + "/In.mbx", "--set-folder", store + "/attach", "--dry-run"},
        {"align-columns", store, "--widths", "1,2,3,4,5,6,7,8", "--dry-run"},
        {"orphans", store, "--wipe", "--dry-run"},
    };
    for (const auto& args : dryRuns) {
        const auto r = RunCli(args);
        EXPECT_EQ(r.exitCode, 0) << args[0] << "\n" << Show(r);
        EXPECT_FALSE(r.out.empty()) << args[0] << ": a dry run lists what would change";
        EXPECT_NE(r.err.find("othing was written."), std::string::npos) << args[0] << "\n" << r.err;
    }
    EXPECT_EQ(Snapshot(store), before);
}

TEST_F(SampleStoreCli, UsageLinesWorkAsWritten) {
    const std::string copies = dir / "copies";
    std::filesystem::create_directory(copies);
    // A repeatable option before the positional FOLDER takes one value only.
    auto r = RunCli({"orphans", "--search-folder", store + "/attach", store, "--copy-to", copies});
    EXPECT_EQ(r.exitCode, 0) << Show(r);
    EXPECT_TRUE(std::filesystem::exists(copies + "/orphan-notes.txt")) << Show(r);
    // The kinds as the README names them.
    r = RunCli({"links", "--kind", "mailto", "--kind", "web", store + "/In.mbx"});
    EXPECT_EQ(r.exitCode, 0) << Show(r);
    EXPECT_NE(r.out.find("mailto:helpdesk@example.com"), std::string::npos) << r.out;
    EXPECT_EQ(RunCli({"links", "--kind", "e-mail", store + "/In.mbx"}).out.find("web"), std::string::npos);
    EXPECT_NE(RunCli({"links", "--help"}).out.find("mailto (or e-mail)"), std::string::npos);
    // Any existing folder is a folder, however short its name; run-script finds the store's Scripts folder.
    r = test::RunCliIn(dir.str(), {"align-columns", "s"});
    EXPECT_EQ(r.exitCode, 0) << Show(r);
    EXPECT_EQ(r.err, "8 mailboxes aligned.\n");
    EXPECT_EQ(test::RunCliIn(dir.str(), {"--data-folder", "s", "tree"}).exitCode, 0);
    if (std::system("command -v perl >/dev/null 2>&1") != 0) GTEST_SKIP() << "perl is not installed";
    r = RunCli({"run-script", store + "/In.mbx", "list-subjects.pl"});
    EXPECT_EQ(r.exitCode, 0) << Show(r);
    EXPECT_NE(r.out.find("Welcome to the team"), std::string::npos) << r.out;
}

TEST(Cli, APairWhoseExtensionsDifferInCaseIsOnePairToEveryCommand) {
    struct Case { std::string mbx, toc, asked; };
    const Case cases[] = {{"IN.MBX", "IN.TOC", "IN.MBX"}, {"In.MBX", "In.toc", "In.mbx"}, {"In.mbx", "In.TOC", "In.toc"}};
    for (const Case& c : cases) {
        TempDir dir;
        MailboxBuilder b;
        b.Name("In").Add(ComposeMessage({"From: a@b", "Received: by x", "Subject: one"}, "<b>x</b>\r\n"), "a@b", "one", "d", 0);
        ASSERT_TRUE(b.Write(dir / "In.").ok());
        std::filesystem::rename(dir / "In.mbx", dir / c.mbx);
        std::filesystem::rename(dir / "In.toc", dir / c.toc);
        for (const std::vector<std::string>& args : std::vector<std::vector<std::string>>{
                 {"list", dir / c.asked}, {"verify", dir / c.asked}, {"update", "--all", dir / c.asked}, {"backup", dir / c.asked},
                 {"strip-html", dir / c.asked}, {"--data-folder", dir.str(), "tree"}}) {
            const auto r = RunCli(args);
            EXPECT_EQ(r.exitCode, 0) << c.asked << " " << args[0] << "\n" << Show(r);
        }
        EXPECT_TRUE(std::filesystem::exists(dir / (c.toc + ".1"))) << c.asked;
        EXPECT_TRUE(std::filesystem::exists(dir / (c.mbx + ".2"))) << c.asked;
        EXPECT_NE(RunCli({"--data-folder", dir.str(), "tree"}).out.find("In (1)"), std::string::npos) << c.asked;
    }
}

TEST(Cli, TextFromMailAndFileNamesCannotDriveTheTerminalAndJsonStaysUtf8) {
    TempDir dir;
    const std::string folder = dir / "caf\xE9";  // a Latin-1 name, not UTF-8
    std::filesystem::create_directory(folder);
    MailboxBuilder b;
    b.Add(ComposeMessage({"Subject: x"}, "b\r\n"), "Eve\tTab", "\x1B]0;pwned\x07 hi", "d");
    ASSERT_TRUE(b.Write(folder + "/In.").ok());
    auto r = RunCli({"list", folder + "/In.mbx"});
    EXPECT_EQ(r.exitCode, 0) << Show(r);
    EXPECT_EQ(r.out.find('\x1B'), std::string::npos);
    EXPECT_NE(r.out.find("\\x1b]0;pwned\\x07 hi"), std::string::npos) << r.out;
    EXPECT_NE(r.out.find("Eve\\x09Tab"), std::string::npos) << r.out;
    r = RunCli({"list", folder + "/In.mbx", "--json"});
    EXPECT_EQ(r.exitCode, 0) << Show(r);
    EXPECT_NE(r.out.find("caf\xC3\xA9/In.toc\""), std::string::npos) << r.out;
    EXPECT_NE(r.out.find("\"subject\":\"\\u001b]0;pwned\\u0007 hi\""), std::string::npos) << r.out;
    r = RunCli({"verify", folder + "/Gone.mbx"});
    EXPECT_NE(r.err.find("caf\\xe9/Gone.mbx"), std::string::npos) << r.err;
}

}  // namespace
}  // namespace ledgerly
