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
        {{"export", "digest", f.mbx, f.dir / "nowhere/x.html"}, 1, "Cannot create '" + f.dir / "nowhere/x.html': "},
        {{"export", "files", f.mbx, f.out, "--headers", "some"}, 2, ""},
        {{"export"}, 2, ""},
#ifndef _WIN32  // the mail export is not part of the Windows build
        {{"export", "mbox", f.dir / "None.mbx", f.dir / "mail"}, 1, "MBX-file not found."},
#endif
        {{"export", "pst", f.mbx, f.dir / "mail"}, 2, ""},
        {{"export", "maildir", f.mbx}, 2, ""},
    };
    for (const Case& c : cases) {
        const auto run = RunCli(c.args);
        EXPECT_EQ(run.exitCode, c.exitCode) << c.args.back() << run.err;
        EXPECT_NE(run.err.find(c.err), std::string::npos) << run.err;
    }
    EXPECT_TRUE(fs::is_empty(f.out));
    EXPECT_FALSE(fs::exists(f.dir / "x.html"));
    EXPECT_FALSE(fs::exists(f.dir / "mail"));
}

// The mail export: what was written on stdout, the report beside it, and
// exit status 1 only when something is missing.
TEST(ExportCli, MailExportSaysWhatItWroteAndWhatIsMissing) {
    Fixture f;
    const auto done = RunCli({"--data-folder", f.dir.str(), "export", "eml", "Work.toc", f.dir / "mail", "--json"});
    ASSERT_EQ(done.exitCode, 0) << done.err;
    EXPECT_EQ(done.out.rfind("{\"format\":\"eml\"", 0), 0u) << done.out;
    EXPECT_NE(done.out.find("\"complete\":true"), std::string::npos) << done.out;
    EXPECT_TRUE(fs::exists(f.dir / "mail/Work/0001 Re_ Lunch, 12_30_.eml"));
    EXPECT_TRUE(fs::exists(f.dir / "mail/export-report.txt"));
    // The same again would write over it: refused.
    const auto again = RunCli({"export", "eml", f.mbx, f.dir / "mail"});
    EXPECT_EQ(again.exitCode, 1);
    EXPECT_NE(again.err.find("is there already: nothing was written"), std::string::npos) << again.err;

    MailboxBuilder b;
    b.Add(ComposeMessage({"Subject: gone"}, "Attachment Converted: \"C:\\nowhere\\lost.pdf\"\r\n"), "", "gone");
    ASSERT_TRUE(b.Write(f.dir / "Lost.").ok());
    const auto missing = RunCli({"export", "mbox", f.dir / "Lost.mbx", f.dir / "mbox"});
    EXPECT_EQ(missing.exitCode, 1);
    EXPECT_EQ(missing.out, "Lost -> Lost: 1 of 1 message, 0 attachments, 1 file missing\n"
                           "Total: 1 mailbox, 1 of 1 message written, 0 attachments embedded, 1 file missing, 0 messages not converted.\n"
                           "Not everything could be exported: the report lists what is missing and why.\n");
    EXPECT_NE(missing.err.find("1 file missing, 0 messages not converted; " + f.dir / "mbox/export-report.txt lists them."),
              std::string::npos) << missing.err;
    EXPECT_NE(ReadFile(f.dir / "mbox/export-report.txt").find("message 1: C:\\nowhere\\lost.pdf"), std::string::npos);
}

// File names that are not UTF-8 (a data folder copied from an old disk) still
// give valid UTF-8 JSON.
TEST(ExportCli, MailExportJsonIsValidUtf8WhateverTheFileNames) {
    Fixture f;
    fs::copy_file(f.mbx, f.dir / "Caf\xE9.mbx");
    fs::copy_file(f.dir / "Work.toc", f.dir / "Caf\xE9.toc");
    const auto run = RunCli({"export", "maildir", f.dir / "Caf\xE9.mbx", f.dir / "mail", "--json"});
    ASSERT_EQ(run.exitCode, 0) << run.err;
    auto validUtf8 = [](const std::string& s) {
        for (std::size_t i = 0; i < s.size();) {
            const auto b = static_cast<unsigned char>(s[i]);
            const std::size_t n = b < 0x80 ? 1 : (b >> 5) == 6 ? 2 : (b >> 4) == 14 ? 3 : (b >> 3) == 30 ? 4 : 0;
            if (n == 0 || i + n > s.size()) return false;
            for (std::size_t k = 1; k < n; ++k)
                if ((static_cast<unsigned char>(s[i + k]) >> 6) != 2) return false;
            i += n;
        }
        return true;
    };
    EXPECT_TRUE(validUtf8(run.out)) << run.out;
    EXPECT_NE(run.out.find("Caf\\u00e9.mbx"), std::string::npos) << run.out;
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
