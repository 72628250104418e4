#include <gtest/gtest.h>

#include <algorithm>
#include <filesystem>
#include <functional>

#include "export/ExportFiles.h"
#include "store/MailboxBuilder.h"
#include "tests/support/TestSupport.h"

namespace ledgerly {
namespace {

namespace fs = std::filesystem;
using test::FakeHost;
using test::ReadFile;
using test::TempDir;

std::vector<std::string> FilesIn(const std::string& folder) {
    std::vector<std::string> names;
    for (const auto& e : fs::directory_iterator(folder)) names.push_back(e.path().filename().string());
    std::sort(names.begin(), names.end());
    return names;
}

struct Fixture {
    TempDir dir;
    AppState state;
    FakeHost host{state};
    ToolContext context{state, host};
    std::string out = dir / "out";
    MailboxPair pair = MailboxPair::FromMailboxPath(dir / "Work.mbx");

    Fixture() { fs::create_directory(out); }
    void Write(const MailboxBuilder& b) { ASSERT_TRUE(b.Write(pair.pairPath).ok()); }
    Result<ExportResult> Export(HeaderMode headers = HeaderMode::All, bool keepHtml = false, std::string ext = "txt") {
        return ExportToFiles(context, pair, ExportOptions{out, std::move(ext), headers, keepHtml});
    }
};

TEST(ExportFileName, NumberSubjectAndExtensionReducedToLettersAndDigits) {
    struct Case { std::int32_t n; std::string subject; const char* ext; const char* expected; };
    const Case cases[] = {
        {7, "Re: Lunch, 12:30?", "txt", "07-ReLunch1230.txt"},
        {7, "", "txt", "07-NoSubject.txt"},
        {7, "  ?!, :-)  ", "txt", "07-NoSubject.txt"},
        {12, "Hi", ".TXT ", "12-Hi.TXT"},
        {9, "Caf\xE9 au lait", "eml", "09-Cafaulait.eml"},  // accented letters are not kept
        {123, std::string("Budget\0stale bytes", 18), "html", "123-Budget.html"},
        {10, "Report                          ", "txt", "10-Report.txt"},  // the field's padding
    };
    for (const Case& c : cases) EXPECT_EQ(ExportFileName(c.n, c.subject, c.ext), c.expected) << c.subject;
}

TEST(ExportText, ThreeHeaderModesByteForByte) {
    const std::string message = ComposeMessage({"From: Ann <ann@example.com>", "Subject: Hi"}, "<p>Hello</p>\r\nBye\r\n");
    MessageSummary s;
    SetTextField(s.Who, "Ann");
    SetTextField(s.Subject, "Hi");
    SetTextField(s.Date, std::string("12:00 PM 1/2/2011\0", 18));
    const std::string header = "From ???@??? Mon Dec 13 18:45:29 2010\r\nFrom: Ann <ann@example.com>\r\nSubject: Hi";
    const std::string stripped = "\r\n\r\nHello\r\nBye\r\n";
    const std::string raw = "\r\n\r\n<p>Hello</p>\r\nBye\r\n";
    struct Case { HeaderMode mode; bool keepHtml; std::string expected; };
    const Case cases[] = {
        {HeaderMode::All, false, header + "\r\n\r\n\r\n" + stripped + "\r\n"},
        {HeaderMode::All, true, header + "\r\n\r\n\r\n" + raw + "\r\n"},
        {HeaderMode::Compact, false, "Who: Ann\r\nSubject: Hi\r\nSent: 12:00 PM 1/2/2011\r\n" + stripped + "\r\n"},
        {HeaderMode::None, false, stripped + "\r\n"},
        {HeaderMode::None, true, raw + "\r\n"},
    };
    for (const Case& c : cases)
        EXPECT_EQ(ExportText(message, s, c.mode, c.keepHtml), c.expected) << static_cast<int>(c.mode) << c.keepHtml;
}

TEST(ExportText, MessageWithoutEmptyLineIsSplitAfterItsFirstLineBreak) {
    struct Case { std::string text; std::string expected; };
    const Case cases[] = {
        {"From ???@???\r\nSubject: x\r\nbody", "From ???@???\r\n\r\n\r\n\r\n\r\n\nSubject: x\r\nbody\r\n"},
        {"From ???@???\nSubject: x\nbody", "From ???@???\r\n\r\n\r\n\r\n\r\nSubject: x\nbody\r\n"},
        {"Xbody", "X\r\n\r\n\r\nbody\r\n"},
    };
    for (const Case& c : cases) EXPECT_EQ(ExportText(c.text, MessageSummary{}, HeaderMode::All, true), c.expected);
}

TEST(ExportToFiles, OneFilePerMessageAndASecondExportAppends) {
    Fixture f;
    MailboxBuilder b;
    b.Add(ComposeMessage({"Subject: Same"}, "one\r\n"), "Ann", "Same", "d1")
        .Add(ComposeMessage({"Subject: Same"}, "two\r\n"), "Bob", "Same", "d2")
        .Add(ComposeMessage({}, "three\r\n"), "Cy", "", "d3");
    f.Write(b);
    auto first = f.Export(HeaderMode::None);
    ASSERT_TRUE(first.ok()) << first.error();
    EXPECT_EQ(FilesIn(f.out), (std::vector<std::string>{"01-Same.txt", "02-Same.txt", "03-NoSubject.txt"}));
    EXPECT_EQ(ReadFile(f.out + "/02-Same.txt"), "\r\n\r\ntwo\r\n\r\n");
    EXPECT_EQ(f.host.statuses, (std::vector<std::string>{"1", "2", "3", "3 messages exported."}));

    ASSERT_TRUE(f.Export(HeaderMode::None).ok());
    EXPECT_EQ(FilesIn(f.out).size(), 3u);
    EXPECT_EQ(ReadFile(f.out + "/02-Same.txt"), "\r\n\r\ntwo\r\n\r\n\r\n\r\ntwo\r\n\r\n");
}

TEST(ExportToFiles, PausesAtEveryHundredthMessageAndCountsAll) {
    Fixture f;
    MailboxBuilder b;
    for (int i = 1; i <= 250; ++i) b.Add(ComposeMessage({}, "m\r\n"), "", "S" + std::to_string(i));
    f.Write(b);
    std::vector<std::string> lastStatusAtWait;
    f.host.onWait = [&](AppState&) { lastStatusAtWait.push_back(f.host.statuses.back()); };
    auto result = f.Export();
    ASSERT_TRUE(result.ok());
    EXPECT_EQ(lastStatusAtWait, (std::vector<std::string>{"99", "199"}));  // before messages 100 and 200
    ASSERT_EQ(f.host.statuses.size(), 251u);
    EXPECT_EQ(f.host.statuses[249], "250");
    EXPECT_EQ(f.host.statuses.back(), "250 messages exported.");
    EXPECT_EQ(FilesIn(f.out).size(), 250u);
}

TEST(ExportToFiles, EmptyMailboxWritesNothing) {
    Fixture f;
    f.Write(MailboxBuilder{});
    auto result = f.Export();
    ASSERT_TRUE(result.ok());
    EXPECT_TRUE(FilesIn(f.out).empty());
    EXPECT_EQ(f.host.statuses, (std::vector<std::string>{"0 messages exported."}));
}

TEST(ExportToFiles, UnreadableMessagesAreListedAndTheRestExported) {
    struct Case { const char* name; std::function<void(std::string& toc, Fixture& f)> spoil; std::vector<std::string> files; std::string report; };
    const Case cases[] = {
        {"range past the end", [](std::string& toc, Fixture&) { toc[SummaryOffset(2) + 7] = '\x7F'; },
         {"01-A.txt", "03-C.txt"}, "1 message was not exported.\r\nSummary 2: bytes "},
        {"a short TOC file", [](std::string& toc, Fixture&) { toc.resize(toc.size() - 10); },
         {"01-A.txt", "02-B.txt"}, "1 message was not exported.\r\nThe TOC header announces 3 summaries but the file holds only 2."},
        {"the mailbox cut short", [](std::string&, Fixture& f) { fs::resize_file(f.pair.mbx(), 10); },
         {}, "3 messages were not exported.\r\nSummary 1: bytes 0 to "},
    };
    for (const Case& c : cases) {
        Fixture f;
        MailboxBuilder b;
        b.Add(ComposeMessage({}, "a\r\n"), "", "A").Add(ComposeMessage({}, "b\r\n"), "", "B").Add(ComposeMessage({}, "c\r\n"), "", "C");
        f.Write(b);
        std::string toc = ReadFile(f.pair.toc());
        c.spoil(toc, f);
        test::WriteFile(f.pair.toc(), toc);
        auto result = f.Export();
        ASSERT_TRUE(result.ok()) << c.name << ": " << result.error();
        EXPECT_EQ(FilesIn(f.out), c.files) << c.name;
        EXPECT_EQ(result->written, static_cast<std::int32_t>(c.files.size())) << c.name;
        EXPECT_EQ(result->FailureReport().rfind(c.report, 0), 0u) << c.name << ": " << result->FailureReport();
    }
}

TEST(ExportToFiles, RefusesAPairWithoutTocOrAMissingFolderBeforeWriting) {
    Fixture f;
    MailboxBuilder b;
    b.Add(ComposeMessage({}, "body\r\n"), "", "A");
    f.Write(b);
    fs::remove(f.pair.toc());
    auto refused = f.Export();
    ASSERT_FALSE(refused.ok());
    EXPECT_NE(refused.error().find("Work.toc"), std::string::npos);
    EXPECT_TRUE(FilesIn(f.out).empty());

    Fixture g;
    g.Write(b);
    auto noFolder = ExportToFiles(g.context, g.pair, ExportOptions{g.dir / "missing", "txt", HeaderMode::All, false});
    ASSERT_FALSE(noFolder.ok());
    EXPECT_NE(noFolder.error().find("missing"), std::string::npos);
}

TEST(ExportToFiles, FileThatCannotBeWrittenIsReportedAndTheRestGoOn) {
    Fixture f;
    MailboxBuilder b;
    b.Add(ComposeMessage({}, "a\r\n"), "", "A").Add(ComposeMessage({}, "b\r\n"), "", "B");
    f.Write(b);
    fs::create_directory(f.out + "/01-A.txt");  // a folder where the file should go
    auto result = f.Export();
    ASSERT_TRUE(result.ok());
    EXPECT_EQ(result->written, 1);
    ASSERT_EQ(result->failures.size(), 1u);
    EXPECT_EQ(result->failures[0].message, 1);
    EXPECT_NE(result->FailureReport().find("01-A.txt"), std::string::npos);
    EXPECT_EQ(f.host.statuses.back(), "1 messages exported.");
    EXPECT_TRUE(fs::is_regular_file(f.out + "/02-B.txt"));
}

// A symbolic link planted in the target folder made the export append to the
// file it pointed at, outside the folder.
TEST(ExportToFiles, ALinkInTheFolderIsNotWrittenThrough) {
    Fixture f;
    MailboxBuilder b;
    b.Add(ComposeMessage({}, "a\r\n"), "", "A");
    f.Write(b);
    test::WriteFile(f.dir / "outside.txt", "keep");
    fs::create_symlink(f.dir / "outside.txt", f.out + "/01-A.txt");
    auto result = f.Export();
    ASSERT_TRUE(result.ok());
    EXPECT_EQ(result->written, 0);
    EXPECT_EQ(result->FailureReport(), "1 message was not exported.\r\nMessage 1: Cannot write '" + f.out + "/01-A.txt': it is a symbolic link.");
    EXPECT_EQ(ReadFile(f.dir / "outside.txt"), "keep");
}

}  // namespace
}  // namespace ledgerly
