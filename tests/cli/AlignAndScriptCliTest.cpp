#include <gtest/gtest.h>

#include <filesystem>

#include "app/Process.h"
#include "store/ExampleScripts.h"
#include "store/MailboxBuilder.h"
#include "store/SampleStore.h"
#include "tests/support/TestSupport.h"

namespace ledgerly {
namespace {

using test::RunCli;
using test::TempDir;

void WriteBox(const std::string& pair, int messages) {
    MailboxBuilder b;
    b.Version(0x30);
    for (int i = 0; i < messages; ++i) b.Add(ComposeMessage({"Subject: m" + std::to_string(i)}, "body\r\n"));
    ASSERT_TRUE(b.Write(pair));
}

TEST(AlignColumnsCli, WritesTheGivenWidthsIntoNestedMailboxes) {
    TempDir dir;
    std::filesystem::create_directories(dir.path() / "Work.fol");
    WriteBox(dir / "In.", 1);
    WriteBox(dir / "Work.fol/Projects.", 2);
    const auto run = RunCli({"align-columns", dir.str(), "--widths", "4,4,4,6,20,18.9,5,2"});
    ASSERT_EQ(run.exitCode, 0) << run.err;
    for (const std::string& toc : {dir / "In.toc", dir / "Work.fol/Projects.toc"}) {
        const std::string bytes = test::ReadFile(toc);
        EXPECT_EQ(bytes[54 + 2 * 4], 20) << toc;
        EXPECT_EQ(bytes[54 + 2 * 5], 18) << toc;
    }
    EXPECT_NE(run.err.find("2 mailboxes aligned"), std::string::npos);
}

TEST(AlignColumnsCli, RejectsMalformedWidths) {
    TempDir dir;
    for (const char* w : {"1,2,3", "a,b,c,d,e,f,g,h", "1,2,3,4,5,6,7,8,9", "-1,2,3,4,5,6,7,8"})
        EXPECT_EQ(RunCli({"align-columns", dir.str(), "--widths", w}).exitCode, 2) << w;
}

TEST(AlignColumnsCli, AMailboxOrMissingFolderIsNotAFolderToAlign) {
    TempDir dir;
    WriteBox(dir / "In.", 1);
    const std::string before = test::ReadFile(dir / "In.toc");
    for (const std::string& target : {dir / "In.mbx", dir / "Nowhere.fol"}) {
        const auto run = RunCli({"align-columns", target, "--widths", "9,9,9,9,9,9,9,9"});
        EXPECT_EQ(run.exitCode, 1) << target;
        EXPECT_NE(run.err.find("does not exist"), std::string::npos) << run.err;
    }
    EXPECT_EQ(test::ReadFile(dir / "In.toc"), before);
}

TEST(RunScriptCli, RunsARealTclAndPerlScriptAndReturnsTheirStatus) {
    for (const char* tool : {"tclsh", "perl"})
        if (!ProgramOnPath(tool)) GTEST_SKIP() << tool << " is not installed";
    TempDir dir;
    WriteBox(dir / "In.", 3);
    ASSERT_TRUE(WriteExampleScripts(dir / "Scripts").ok());
    const auto tcl = RunCli({"--data-folder", dir.str(), "run-script", dir / "In.mbx", "compare-messages.tcl"});
    EXPECT_EQ(tcl.exitCode, 0) << tcl.err;
    EXPECT_NE(tcl.out.find("3 messages"), std::string::npos) << tcl.out;
    EXPECT_NE(tcl.err.find("In.mbx.1"), std::string::npos);
    const auto pl = RunCli({"--data-folder", dir.str(), "run-script", dir / "In.mbx", dir / "Scripts/list-subjects.pl"});
    EXPECT_EQ(pl.exitCode, 0) << pl.err;
    EXPECT_NE(pl.out.find("m2"), std::string::npos) << pl.out;
    EXPECT_TRUE(std::filesystem::exists(dir / "In.mbx.2"));
    EXPECT_TRUE(std::filesystem::exists(dir / "In.toc.2"));
}

TEST(RunScriptCli, TheSampleStoresExampleScriptsRunOnItsMailboxes) {
    for (const char* tool : {"tclsh", "perl"})
        if (!ProgramOnPath(tool)) GTEST_SKIP() << tool << " is not installed";
    TempDir dir;
    auto store = WriteSampleStore(dir.str());
    ASSERT_TRUE(store.ok()) << store.error();
    ASSERT_FALSE(store->mailboxes.empty());
    const std::string mbx = store->mailboxes.front();
    for (const char* script : {"compare-messages.tcl", "list-subjects.pl"}) {
        const auto run = RunCli({"--data-folder", store->folder, "run-script", mbx, script});
        EXPECT_EQ(run.exitCode, 0) << script << ": " << run.err;
    }
    EXPECT_TRUE(std::filesystem::exists(mbx + ".2"));
}

TEST(RunScriptCli, AScriptThatFailsGivesItsExitStatus) {
    if (!ProgramOnPath("perl")) GTEST_SKIP() << "perl is not installed";
    TempDir dir;
    WriteBox(dir / "In.", 1);
    test::WriteFile(dir / "fail.pl", "exit 3;\n");
    EXPECT_EQ(RunCli({"run-script", dir / "In.mbx", dir / "fail.pl"}).exitCode, 3);
}

TEST(RunScriptCli, AMissingMailboxIsNotRunWithoutYes) {
    if (!ProgramOnPath("perl")) GTEST_SKIP() << "perl is not installed";  // checked before the mailbox
    TempDir dir;
    test::WriteFile(dir / "s.pl", "exit 0;\n");
    const auto run = RunCli({"run-script", dir / "Gone.mbx", dir / "s.pl"});
    EXPECT_EQ(run.exitCode, 1);
    EXPECT_NE(run.err.find("not found."), std::string::npos);
}

}  // namespace
}  // namespace ledgerly
