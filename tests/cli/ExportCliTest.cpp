#include <gtest/gtest.h>

#include <filesystem>

#include "export/ExportFiles.h"
#include "export/ReadersDigest.h"
#include "store/MailboxBuilder.h"
#include "tests/support/TestSupport.h"

namespace ledgerly {
namespace {

namespace fs = std::filesystem;
using test::ReadFile;
using test::RunCli;
using test::TempDir;

struct Fixture {
    TempDir dir;
    std::string mbx = dir / "Work.mbx";
    std::string out = dir / "out";
    Fixture() {
        fs::create_directory(out);
        MailboxBuilder b;
        b.Add(ComposeMessage({"From: Ann", "Subject: Re: Lunch, 12:30?"}, "<b>noon</b>\r\n"), "Ann", "Re: Lunch, 12:30?", "d1")
            .Add(ComposeMessage({}, "plain\r\n"), "Bob", "", "d2");
        EXPECT_TRUE(b.Write(dir / "Work.").ok());
    }
};

// The command line writes what the program's export writes.
TEST(ExportCli, FilesMatchTheToolForEveryOptionSet) {
    struct Case { std::vector<std::string> options; HeaderMode mode; bool keepHtml; std::string ext; };
    const Case cases[] = {
        {{}, HeaderMode::All, false, "txt"},
        {{"--headers", "Compact", "--extension", ".EML "}, HeaderMode::Compact, false, "EML"},
        {{"--headers", "none", "--keep-html"}, HeaderMode::None, true, "txt"},
    };
    for (const Case& c : cases) {
        Fixture f;
        std::vector<std::string> args = {"export", "files", f.mbx, f.out};
        args.insert(args.end(), c.options.begin(), c.options.end());
        const auto run = RunCli(args);
        ASSERT_EQ(run.exitCode, 0) << run.err;
        EXPECT_EQ(run.out, "");
        EXPECT_EQ(run.err, "2 messages exported.\n");

        TempDir expectedDir;
        AppState state;
        test::FakeHost host(state);
        ToolContext context{state, host};
        ASSERT_TRUE(ExportToFiles(context, MailboxPair::FromMailboxPath(f.mbx), {expectedDir.path().string(), c.ext, c.mode, c.keepHtml}).ok());
        for (const char* name : {"01-ReLunch1230.", "02-NoSubject."}) {
            const std::string file = name + c.ext;
            EXPECT_EQ(ReadFile(f.out + "/" + file), ReadFile(expectedDir / file)) << file;
            EXPECT_FALSE(ReadFile(f.out + "/" + file).empty()) << file;
        }
    }
}

TEST(ExportCli, DigestMatchesTheToolApartFromTheClock) {
    Fixture f;
    const std::string page = f.dir / "Work.html";
    test::WriteFile(page, "to be replaced");
    const auto run = RunCli({"export", "digest", f.mbx, page});
    ASSERT_EQ(run.exitCode, 0) << run.err;
    EXPECT_EQ(run.err, "2 messages exported. Ready.\n");

    AppState state;
    test::FakeHost host(state);
    ToolContext context{state, host};
    const std::string expected = f.dir / "expected.html";
    ASSERT_TRUE(ExportReadersDigest(context, f.mbx, expected).ok());
    auto withoutClock = [](std::string text) {
        const std::size_t from = text.find("Created on "), to = text.find("</I></center>");
        return text.erase(from, to - from);
    };
    EXPECT_EQ(withoutClock(ReadFile(page)), withoutClock(ReadFile(expected)));
}

TEST(ExportCli, RefusalsAndUsageErrors) {
    Fixture f;
    struct Case { std::vector<std::string> args; int exitCode; std::string err; };
    const Case cases[] = {
        {{"export", "files", f.dir / "None.mbx", f.out}, 1, "TOC-file not found: '" + f.dir / "None.toc'."},
        {{"export", "files", f.mbx, f.dir / "nowhere"}, 1, "does not exist"},
        {{"export", "digest", f.dir / "None.mbx", f.dir / "x.html"}, 1, "TOC-file not found: "},
        // The page's own name, not the temporary file beside it.
        {{"export", "digest", f.mbx, f.dir / "nowhere/x.html"}, 1, "Cannot write '" + f.dir / "nowhere/x.html': "},
        {{"export", "files", f.mbx, f.out, "--headers", "some"}, 2, ""},
        {{"export"}, 2, ""},
    };
    for (const Case& c : cases) {
        const auto run = RunCli(c.args);
        EXPECT_EQ(run.exitCode, c.exitCode) << c.args.back() << run.err;
        EXPECT_NE(run.err.find(c.err), std::string::npos) << run.err;
    }
    EXPECT_TRUE(fs::is_empty(f.out));
    EXPECT_FALSE(fs::exists(f.dir / "x.html"));
}

TEST(ExportCli, AMessageThatCannotBeReadIsNamedTheOthersWrittenAndTheRunExitsOne) {
    Fixture f;
    std::string toc = ReadFile(f.dir / "Work.toc");
    toc[SummaryOffset(1) + 7] = '\x7F';  // summary 1 runs past the end of the mailbox file
    test::WriteFile(f.dir / "Work.toc", toc);
    auto run = RunCli({"export", "files", f.mbx, f.out});
    EXPECT_EQ(run.exitCode, 1);
    EXPECT_EQ(run.err.rfind("1 messages exported.\n1 message was not exported.\nSummary 1: bytes 0 to ", 0), 0u) << run.err;
    EXPECT_TRUE(fs::exists(f.out + "/02-NoSubject.txt"));
    run = RunCli({"export", "digest", f.mbx, f.dir / "page.html"});
    EXPECT_EQ(run.exitCode, 1);
    EXPECT_EQ(run.err.rfind("1 messages exported. Ready.\n1 message was left off the page.\nSummary 1: ", 0), 0u) << run.err;
    EXPECT_NE(ReadFile(f.dir / "page.html").find("<A NAME=\"[2]\">"), std::string::npos);
}

}  // namespace
}  // namespace ledgerly
