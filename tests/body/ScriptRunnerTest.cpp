#include <gtest/gtest.h>

#include <algorithm>
#include <filesystem>

#include "app/FileHelpers.h"
#include "app/Process.h"
#include "store/ExampleScripts.h"
#include "body/ScriptRunner.h"
#include "store/MailboxBuilder.h"
#include "tests/support/TestSupport.h"

namespace ledgerly {
namespace {

using test::TempDir;

std::vector<std::string> Names(const std::vector<ScriptEntry>& entries) {
    std::vector<std::string> n;
    for (const auto& e : entries) n.push_back(e.name);
    std::sort(n.begin(), n.end());
    return n;
}

TEST(ScriptRunner, ListsTclThenPerlByTheLastLettersInAnyCaseAndSkipsFolders) {
    TempDir dir;
    for (const char* f : {"a.tcl", "B.TCL", "c.pl", "D.PL", "notes.txt", "tcl", "x.pltcl"}) test::WriteFile(dir / f, "");
    std::filesystem::create_directory(dir.path() / "sub.pl");
    EXPECT_EQ(Names(ListScripts(dir.str(), "tcl")), (std::vector<std::string>{"B.TCL", "a.tcl", "tcl", "x.pltcl"}));
    EXPECT_EQ(Names(ListScripts(dir.str(), "pl")), (std::vector<std::string>{"D.PL", "c.pl"}));
    const auto all = ListAllScripts(dir.str());
    ASSERT_EQ(all.size(), 6u);
    EXPECT_EQ(all[3].kind, "tcl");
    EXPECT_EQ(all[4].kind, "pl");
    EXPECT_TRUE(ListScripts(dir / "missing", "tcl").empty());
}

TEST(ScriptRunner, EachRunMakesFreshBackupsAndPassesItsOwnMailboxBackup) {
    TempDir dir;
    MailboxBuilder b;
    b.Add(ComposeMessage({"Subject: one"}, "x\r\n"));
    ASSERT_TRUE(b.Write(dir / "In."));
    AppState state;
    const ScriptEntry script{"s.pl", dir / "s.pl", "pl"};
    const ScriptLaunch first = PrepareScriptRun(state, dir / "In.mbx", script);
    const ScriptLaunch second = PrepareScriptRun(state, dir / "In.mbx", script);
    EXPECT_EQ(first.mbxBackup, dir / "In.mbx.1");
    EXPECT_EQ(second.mbxBackup, dir / "In.mbx.2");
    EXPECT_EQ(second.tocBackup, dir / "In.toc.2");
    // Scripts get short (8.3) paths: on Windows 'In.mbx.2' and the long test
    // folder's name have other short forms.
    EXPECT_EQ(second.argv, (std::vector<std::string>{"perl", "", GetShortPath(dir / "In.mbx"), GetShortPath(dir / "In.mbx.2")}));
    EXPECT_NE(second.argv[3], "");
    EXPECT_EQ(second.Confirmation(), "Script executed. Created backup files:\r\n'" + (dir / "In.mbx.2") + "'\r\n'" + (dir / "In.toc.2") + "'");
}

TEST(ScriptRunner, AMissingMailboxPassesNoOtherMailboxesBackup) {
    TempDir dir;
    AppState state;
    state.MbxBackupPath = "/elsewhere/Other.mbx.7";  // left over from an earlier run
    const ScriptLaunch launch = PrepareScriptRun(state, dir / "Gone.mbx", {"s.tcl", dir / "s.tcl", "tcl"});
    EXPECT_TRUE(launch.mbxBackup.empty());
    EXPECT_EQ(launch.argv.back(), "");
    EXPECT_EQ(launch.Confirmation().find("Other.mbx.7"), std::string::npos);
}

TEST(ScriptRunner, AskBeforeRunningOnAMissingMailboxOrTocFile) {
    TempDir dir;
    test::WriteFile(dir / "Both.mbx", "");
    test::WriteFile(dir / "Both.toc", "");
    test::WriteFile(dir / "NoToc.mbx", "");
    test::WriteFile(dir / "NoMbx.toc", "");
    auto q = [](const std::string& path) { return "'" + path + "' not found.\r\nProceed anyway?"; };
    struct Case { std::string key; std::vector<std::string> expected; };
    const Case cases[] = {
        {dir / "Both.mbx", {}},
        {dir / "NoToc.mbx", {q(dir / "NoToc.toc")}},
        {dir / "NoMbx.mbx", {q(dir / "NoMbx.mbx")}},
        {dir / "Gone.mbx", {q(dir / "Gone.mbx"), q(dir / "Gone.toc")}},
        {"ab", {q("ab")}},  // too short to name a TOC file
    };
    for (const Case& c : cases) EXPECT_EQ(ProceedAnywayQuestions(c.key), c.expected) << c.key;
}

TEST(ScriptRunner, ConfirmationListsOnlyWhatThisRunDidOrSaysWhyNothingRan) {
    struct Case { ScriptLaunch launch; std::string expected; };
    const Case cases[] = {
        {{{}, "/m/In.toc.3", "/m/In.mbx.3", "", ""}, "Script executed. Created backup files:\r\n'/m/In.mbx.3'\r\n'/m/In.toc.3'"},
        {{{}, "/m/In.toc.3", "", "", ""}, "Script executed. Created backup files:\r\n'/m/In.toc.3'"},
        {{{}, "", "", "", ""}, "Script executed. No backup files were created (the mailbox files were not found)."},
        {{{}, "/m/In.toc.3", "", "Cannot create the backup '/m/In.mbx.3'. Nothing was changed.", ""},
         "The backup could not be made, so the script was not run:\r\nCannot create the backup '/m/In.mbx.3'. Nothing was changed."},
        {{{}, "/m/In.toc.3", "/m/In.mbx.3", "", "no shell"},
         "The script could not be started: no shell Created backup files:\r\n'/m/In.mbx.3'\r\n'/m/In.toc.3'"},
    };
    for (const Case& c : cases) EXPECT_EQ(c.launch.Confirmation(), c.expected);
}

TEST(ScriptRunner, AFailedMailboxBackupStopsTheRunAndIsNotPassed) {
    TempDir dir;
    MailboxBuilder b;
    b.Add(ComposeMessage({"Subject: one"}, "x\r\n"));
    ASSERT_TRUE(b.Write(dir / "In."));
    std::filesystem::create_directory(dir.path() / "In.mbx.1.ledgerly-partial");  // the copy cannot be written
    AppState state;
    const ScriptLaunch launch = PrepareScriptRun(state, dir / "In.mbx", {"s.pl", dir / "s.pl", "pl"});
    EXPECT_FALSE(launch.backupError.empty());
    EXPECT_TRUE(launch.mbxBackup.empty());
    EXPECT_EQ(launch.Confirmation().rfind("The backup could not be made, so the script was not run:", 0), 0u);
}

TEST(ScriptRunner, ExampleScriptsRunOnAMailboxAndItsBackup) {
    for (const char* tool : {"tclsh", "perl"})
        if (!ProgramOnPath(tool)) GTEST_SKIP() << tool << " is not installed";
    TempDir dir;
    MailboxBuilder b;
    b.Add(ComposeMessage({"Subject: first"}, "x\r\n")).Add(ComposeMessage({"Subject: second"}, "y\r\n"));
    ASSERT_TRUE(b.Write(dir / "In."));
    ASSERT_TRUE(WriteExampleScripts(dir / "Scripts").ok());
    AppState state;
    for (const ScriptEntry& script : ListAllScripts(dir / "Scripts")) {
        const ScriptLaunch launch = PrepareScriptRun(state, dir / "In.mbx", script);
        auto status = RunAndWait(launch.argv);
        ASSERT_TRUE(status.ok()) << status.error();
        EXPECT_EQ(*status, 0) << script.name;
    }
}

}  // namespace
}  // namespace ledgerly
