#include <gtest/gtest.h>

#include <cstdlib>
#include <filesystem>

#ifndef _WIN32
#include <sys/stat.h>
#endif

#include "app/FileHelpers.h"
#include "store/MailboxBuilder.h"
#include "store/Toc.h"
#include "tests/support/TestSupport.h"

namespace ledgerly::test {
namespace {

std::string LastLine(const std::string& out) {
    std::string s = out;
    while (!s.empty() && s.back() == '\n') s.pop_back();
    const std::size_t at = s.rfind('\n');
    return at == std::string::npos ? s : s.substr(at + 1);
}

class FlaggingCli : public ::testing::Test {
protected:
    TempDir dir;
    std::string mbx = dir / "In.mbx";

    void WriteBox(const std::vector<std::vector<std::string>>& messages) {
        MailboxBuilder b;
        for (const auto& headers : messages) b.Add(ComposeMessage(headers, "same body\r\n"), "old who", "old subject", "old date", 0, 3);
        ASSERT_TRUE(b.Write(dir / "In.").ok());
    }
    MessageSummary Summary(std::int32_t k) const {
        auto toc = TocImage::FromBytes(ReadFile(dir / "In.toc"));
        return toc->ReadSummary(k);
    }
    static std::string Text(std::span<const char> field) {
        std::string s(field.data(), field.size());
        s = s.substr(0, s.find('\0'));
        while (!s.empty() && s.back() == ' ') s.pop_back();
        return s;
    }
};

TEST_F(FlaggingCli, UpdateRefreshesTheChosenFieldsOnly) {
    WriteBox({{"From: \"Ann\" <ann@host>", "Received: by relay", "Subject: Hello", "Priority: high", "Date: 12 Jan 2004 10:00"}});
    CliRun run = RunCli({"update", "--subject", "--priority", mbx});
    ASSERT_EQ(run.exitCode, 0) << run.err;
    EXPECT_EQ(Text(Summary(1).Subject), "Hello");
    EXPECT_EQ(Summary(1).Priority, 2);
    EXPECT_EQ(Text(Summary(1).Who), "old who");
    run = RunCli({"update", "--all", mbx});
    ASSERT_EQ(run.exitCode, 0) << run.err;
    EXPECT_EQ(Text(Summary(1).Who), "Ann");
    EXPECT_EQ(Summary(1).Status, 0);  // received and unread: it stays unread
    EXPECT_EQ(Text(Summary(1).Date), "10:00 AM 1/12/2004");
}

TEST_F(FlaggingCli, RefusalsAndUsage) {
    struct Case { std::vector<std::string> args; int exit; std::string err; };
    WriteBox({{"Subject: a"}});
    const std::string missing = dir / "Gone.mbx";
    const std::vector<Case> cases = {
        {{"update", mbx}, 2, "Choose the fields"},
        {{"update", "--all", missing}, 1, "TOC-file not found: '" + dir / "Gone.toc'."},
        {{"mark", "received", missing}, 1, "MBX-file not found: '" + missing + "'."},  // each mode checks in its own order
        {{"mark", "sent", missing}, 1, "TOC-file not found: "},
        {{"mark", "both", mbx}, 2, ""},
        {{"duplicates", mbx}, 2, "--slow or --fast"},
        {{"duplicates", "--slow", "--fast", mbx}, 2, ""},
        {{"duplicates", "--fast", "--exclude-headers", "--exclude-bodies", mbx}, 2, ""},
        {{"duplicates", "--fast", "--reset", "--dry-run", mbx}, 2, ""},
        {{"duplicates", "--slow", missing}, 1, "TOC-file not found: "},
    };
    for (const Case& c : cases) {
        const CliRun run = RunCli(c.args);
        EXPECT_EQ(run.exitCode, c.exit) << c.args[0] << " " << c.args[1] << "\n" << run.err;
        EXPECT_NE(run.err.find(c.err), std::string::npos) << run.err;
    }
}

TEST_F(FlaggingCli, InconsistentPairIsRefusedWithItsProblem) {
    WriteBox({{"Subject: a"}, {"Subject: b"}});
    std::string toc = ReadFile(dir / "In.toc");
    toc.resize(toc.size() - 10);
    WriteFile(dir / "In.toc", toc);
    for (const std::vector<std::string>& args : {std::vector<std::string>{"update", "--all", mbx}, {"mark", "sent", mbx},
                                                 {"duplicates", "--fast", mbx}}) {
        const CliRun run = RunCli(args);
        EXPECT_EQ(run.exitCode, 1) << args[0];
        EXPECT_FALSE(run.err.empty());
    }
    EXPECT_EQ(ReadFile(dir / "In.toc"), toc);
}

TEST_F(FlaggingCli, DryRunsListTheChangedSummariesAndWriteNothing) {
    WriteBox({{"To: carol@host", "From: ann@host", "Priority: high"}});
    const std::string before = ReadFile(dir / "In.toc");
    CliRun run = RunCli({"mark", "sent", "--dry-run", mbx});
    EXPECT_EQ(run.exitCode, 0) << run.err;
    EXPECT_EQ(run.out, "message 1: Status 0 -> 8; Who 'old who' -> 'carol@host'\n");
    EXPECT_EQ(run.err, "1 summary would change; nothing was written.\n");
    run = RunCli({"update", "--priority", "--dry-run", mbx});
    EXPECT_EQ(run.out, "message 1: Priority 3 -> 2\n") << run.err;
    EXPECT_EQ(ReadFile(dir / "In.toc"), before);
}

TEST_F(FlaggingCli, MarkSetsStatusAndWho) {
    WriteBox({{"To: carol@host", "From: ann@host"}});
    ASSERT_EQ(RunCli({"mark", "sent", mbx}).exitCode, 0);
    EXPECT_EQ(Summary(1).Status, 8);
    EXPECT_EQ(Text(Summary(1).Who), "carol@host");
    ASSERT_EQ(RunCli({"mark", "received", mbx}).exitCode, 0);
    EXPECT_EQ(Summary(1).Status, 1);
    EXPECT_EQ(Text(Summary(1).Who), "ann@host");
}

TEST_F(FlaggingCli, DuplicatesReportLastAndDryRunListsTheCopies) {
    WriteBox({{"Subject: a"}, {"Subject: a"}, {"Subject: a"}});
    const std::string before = ReadFile(dir / "In.toc");
    CliRun run = RunCli({"duplicates", "--slow", "--dry-run", mbx});
    ASSERT_EQ(run.exitCode, 0) << run.err;
    EXPECT_EQ(run.out, "message 2 is a copy of message 1\nmessage 3 is a copy of message 1\n");
    EXPECT_EQ(run.err, "Search Completed. 2 duplicates found. Nothing was written.\n");
    EXPECT_EQ(ReadFile(dir / "In.toc"), before);

    run = RunCli({"duplicates", "--fast", mbx});
    ASSERT_EQ(run.exitCode, 0) << run.err;
    EXPECT_EQ(LastLine(run.err), "Search Completed. 2 duplicates found.");
    EXPECT_EQ(Text(Summary(1).Subject), "|> Duplicate (Hash) |>");
    EXPECT_EQ(Summary(1).Priority, 5);
    EXPECT_EQ(Text(Summary(3).Subject), "old subject");

    // --reset first rebuilds the subjects from the headers; priorities stay.
    run = RunCli({"duplicates", "--slow", "--reset", "--exclude-bodies", mbx});
    ASSERT_EQ(run.exitCode, 0) << run.err;
    EXPECT_EQ(LastLine(run.err), "Search Completed. 2 duplicates found.");
    EXPECT_EQ(Text(Summary(1).Subject), "a");
    EXPECT_EQ(Summary(1).Priority, 5);
    EXPECT_EQ(Text(Summary(2).Subject), "|> duplicate |>");
}

TEST_F(FlaggingCli, MissingDecoderLibraryIsReported) {
    WriteBox({{"Subject: a"}});
    // A copy of the program in a folder without the decoder library beside it.
    TempDir bin;
    const std::string copy = bin / ProgramFileName("ledgerly-cli");
    std::filesystem::copy_file(FsPath(CliPath()), FsPath(copy));
    std::filesystem::permissions(FsPath(copy), std::filesystem::perms::owner_all);
    const ScopedEnv useCopy("LEDGERLY_CLI", copy.c_str());
    const CliRun decoding = RunCli({"update", "--subject", mbx});
    const CliRun plain = RunCli({"update", "--priority", mbx});
    EXPECT_EQ(decoding.exitCode, 1);
    EXPECT_FALSE(decoding.err.empty());
    EXPECT_EQ(Text(Summary(1).Subject), "old subject");
    EXPECT_EQ(plain.exitCode, 0) << plain.err;
}

TEST_F(FlaggingCli, RebuildTocKeepsEveryStateTheOldTocHoldsAndPassesVerify) {
    WriteBox({{"Received: by relay", "From: ann@host", "Subject: one"}, {"Received: by relay", "From: bob@host", "Subject: two"}});
    // The summaries' states, then a TOC cut short and a message Eudora never listed.
    std::string toc = ReadFile(dir / "In.toc");
    toc[SummaryOffset(1) + 12] = 2;  // replied
    toc[SummaryOffset(2) + 12] = 3;  // forwarded
    toc.resize(toc.size() - 100);
    WriteFile(dir / "In.toc", toc);
    const std::string mailbox = ReadFile(mbx) + ComposeMessage({"To: carol@host", "Subject: three"}, "sent\r\n");
    WriteFile(mbx, mailbox);
    ASSERT_EQ(RunCli({"verify", mbx}).exitCode, 1);

    CliRun run = RunCli({"rebuild-toc", "--dry-run", mbx});
    ASSERT_EQ(run.exitCode, 0) << run.err;
    EXPECT_EQ(run.out, "1 message keeps its summary, 2 messages get a new one (marked recovered or sent), 0 old summaries match no message.\n");
    EXPECT_EQ(run.err, "Dry run: nothing was written.\n");
    EXPECT_EQ(ReadFile(dir / "In.toc"), toc);

    run = RunCli({"rebuild-toc", mbx});  // no terminal to answer the question on
    EXPECT_EQ(run.exitCode, 1);
    EXPECT_NE(run.err.find("give --yes"), std::string::npos) << run.err;
    EXPECT_EQ(ReadFile(dir / "In.toc"), toc);
    EXPECT_FALSE(std::filesystem::exists(dir / "In.toc.1"));

    run = RunCli({"rebuild-toc", "--yes", mbx});
    ASSERT_EQ(run.exitCode, 0) << run.err;
    EXPECT_EQ(LastLine(run.err), "Done. Operation was successful. Backup files created.");
    EXPECT_EQ(ReadFile(dir / "In.toc.1"), toc);
    EXPECT_EQ(ReadFile(dir / "In.mbx.1"), mailbox);  // both files, though only the TOC changes
    EXPECT_EQ(ReadFile(mbx), mailbox);
    EXPECT_EQ(Summary(1).Status, 2);
    EXPECT_EQ(Summary(2).Status, 12);  // the summary that was cut off: recovered
    EXPECT_EQ(Summary(3).Status, 8);
    EXPECT_EQ(Text(Summary(3).Who), "carol@host");
    run = RunCli({"verify", mbx});
    EXPECT_EQ(run.exitCode, 0) << run.out;

    // Nothing left to mend: nothing is written, no backup made.
    run = RunCli({"rebuild-toc", "--yes", mbx});
    ASSERT_EQ(run.exitCode, 0) << run.err;
    EXPECT_NE(run.err.find("nothing was written"), std::string::npos) << run.err;
    EXPECT_FALSE(std::filesystem::exists(dir / "In.toc.2"));

    // The same TOC, older than its mailbox: Eudora would rebuild it, so its time is renewed.
    namespace fs = std::filesystem;
    fs::last_write_time(dir / "In.toc", fs::last_write_time(mbx) - std::chrono::hours(1));
    run = RunCli({"rebuild-toc", "--yes", mbx});
    ASSERT_EQ(run.exitCode, 0) << run.err;
    EXPECT_NE(run.err.find("its time was renewed"), std::string::npos) << run.err;
    EXPECT_GE(fs::last_write_time(dir / "In.toc"), fs::last_write_time(mbx));
    EXPECT_FALSE(fs::exists(dir / "In.toc.2"));
}

TEST_F(FlaggingCli, RebuildTocMakesAMissingToc) {
    WriteBox({{"Received: by relay", "From: ann@host", "Subject: one"}});
    std::filesystem::remove(dir / "In.toc");
    const CliRun run = RunCli({"rebuild-toc", "--yes", mbx});
    ASSERT_EQ(run.exitCode, 0) << run.err;
    EXPECT_EQ(run.err.substr(0, run.err.find('\n')), "No TOC file: a new one describes 1 message.");
    EXPECT_EQ(Summary(1).Status, 12);
    EXPECT_EQ(Text(Summary(1).Subject), "one");
    EXPECT_EQ(RunCli({"verify", mbx}).exitCode, 0);

#ifndef _WIN32  // FIFOs
    // A TOC that is not a regular file is not read (a named pipe would never answer), nor replaced.
    std::filesystem::remove(dir / "In.toc");
    ASSERT_EQ(::mkfifo((dir / "In.toc").c_str(), 0600), 0);
    const CliRun fifo = RunCli({"rebuild-toc", "--yes", mbx});
    EXPECT_EQ(fifo.exitCode, 1);
    EXPECT_NE(fifo.err.find("not a regular file"), std::string::npos) << fifo.err;
    EXPECT_TRUE(std::filesystem::is_fifo(dir / "In.toc"));
#endif
}

}  // namespace
}  // namespace ledgerly::test
