#include <gtest/gtest.h>

#include <algorithm>
#include <filesystem>

#include "app/Process.h"
#include "body/ExampleScripts.h"
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
    EXPECT_EQ(second.argv, (std::vector<std::string>{"perl", "", dir / "In.mbx", dir / "In.mbx.2"}));
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
