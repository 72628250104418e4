#include <gtest/gtest.h>

#include <filesystem>

#include "store/MailboxBuilder.h"
#include "tests/support/TestSupport.h"

namespace ledgerly {
namespace {

TEST(TreeCommand, PrintsTheLabelledTreeIndentedWithKeysAndPictures) {
    test::TempDir dir;
    std::filesystem::create_directories(dir / "Work.fol");
    ASSERT_TRUE(MailboxBuilder().Name("Trash").Type(0).Add(ComposeMessage({"Subject: x"}, "b\r\n")).Write(dir / "Trash.").ok());
    ASSERT_TRUE(MailboxBuilder().Name("Caf\xE9").Type(2).Write(dir / "Work.fol/Cafe.").ok());
    test::WriteFile(dir / "descmap.pce", "Work Things,Work.fol,F,N\r\n");

    const test::CliRun run = test::RunCli({"tree", "--data-folder", dir.str()});
    ASSERT_EQ(run.exitCode, 0) << run.err;
    const std::string name = dir.path().filename().string();
    EXPECT_EQ(run.out, name + "\t" + dir.str() + "\tmailbox_set\n" +
                           "  Trash (1)\t" + dir / "Trash.mbx" + "\ttrash\n" +
                           "  Work Things\t" + dir / "Work.fol/" + "\tfolder_closed\n" +
                           "    Caf\xC3\xA9 (0)\t" + dir / "Work.fol/Cafe.mbx" + "\t3\n");
}

TEST(TreeCommand, AMissingDataFolderIsRefused) {
    test::TempDir dir;
    const test::CliRun run = test::RunCli({"tree", "--data-folder", dir / "nowhere"});
    EXPECT_EQ(run.exitCode, 1);
    EXPECT_NE(run.err.find("does not exist"), std::string::npos) << run.err;
    EXPECT_TRUE(run.out.empty());
}

}  // namespace
}  // namespace ledgerly
