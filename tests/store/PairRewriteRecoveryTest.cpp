// What a tool finds after a crash and how it finishes or undoes the run.
#include <gtest/gtest.h>

#include <filesystem>
#include <string>
#include <vector>

#include "store/PairRewrite.h"
#include "tests/support/TestSupport.h"

namespace ledgerly {
namespace {

namespace fs = std::filesystem;
using test::ReadFile;
using test::TempDir;
using test::WriteFile;

TEST(PairRewriteRecovery, KilledDelimiterRepairAfterTheTocWentIsFinished) {
    TempDir dir;
    const MailboxPair pair = MailboxPair::FromMailboxPath(dir / "In.mbx");
    WriteFile(pair.mbx(), "old");
    WriteFile(pair.mbx() + std::string(kNewSuffix), "repaired");
    EXPECT_FALSE(RecoverInterruptedRewrite(pair).empty());
    EXPECT_EQ(ReadFile(pair.mbx()), "repaired");
    EXPECT_FALSE(fs::exists(pair.mbx() + std::string(kNewSuffix)));
    EXPECT_FALSE(fs::exists(pair.toc()));
}

TEST(PairRewriteRecovery, UnfinishedNewMailboxBesideItsTocIsRemoved) {
    TempDir dir;
    const MailboxPair pair = MailboxPair::FromMailboxPath(dir / "In.mbx");
    WriteFile(pair.mbx(), "old");
    WriteFile(pair.toc(), "toc");
    WriteFile(pair.mbx() + std::string(kNewSuffix), "half");
    RecoverInterruptedRewrite(pair);
    EXPECT_EQ(ReadFile(pair.mbx()), "old");
    EXPECT_EQ(ReadFile(pair.toc()), "toc");
    EXPECT_FALSE(fs::exists(pair.mbx() + std::string(kNewSuffix)));
}

// A kill leaves temporary files under names no later run would pick again;
// the next run of any rewriting tool removes exactly those.
TEST(PairRewriteRecovery, LeftoverTemporaryFilesOfTheFolderAreRemovedAndNothingElse) {
    TempDir dir;
    const MailboxPair pair = MailboxPair::FromMailboxPath(dir / "In.mbx");
    WriteFile(pair.mbx(), "mail");
    WriteFile(pair.toc(), "toc");
    const std::vector<std::string> leftovers = {"In.toc.ledgerly-0a1b2c3d", "In.mbx.ledgerly-ffffffff", "In.mbx.ledgerly-new.ledgerly-12345678",
                                                "In.mbx.3.ledgerly-partial", "In.toc.12.ledgerly-partial"};
    const std::vector<std::string> kept = {"In.mbx.3",                   "In.toc.1",                  "In.mbx.ledgerly-0A1B2C3D",
                                           "In.mbx.ledgerly-123",        "In.mbx.x.ledgerly-partial", "Out.mbx.ledgerly-0a1b2c3d",
                                           "In.mbx.ledgerly-0a1b2c3d.txt", "In.mbx.ledgerly-partial",   "XIn.mbx.ledgerly-0a1b2c3d"};
    for (const auto& name : leftovers) WriteFile(dir / name, "part");
    for (const auto& name : kept) WriteFile(dir / name, "keep");
    fs::create_directory(dir / "In.mbx.4.ledgerly-partial");
    fs::create_symlink(dir / "In.mbx", dir / "In.toc.ledgerly-00000000");
    const std::string said = RecoverInterruptedRewrite(pair);
    EXPECT_NE(said.find("Removed 5 unfinished temporary files"), std::string::npos) << said;
    for (const auto& name : leftovers) EXPECT_FALSE(fs::exists(dir / name)) << name;
    for (const auto& name : kept) EXPECT_EQ(ReadFile(dir / name), "keep") << name;
    EXPECT_TRUE(fs::is_directory(dir / "In.mbx.4.ledgerly-partial"));
    EXPECT_TRUE(fs::is_symlink(dir / "In.toc.ledgerly-00000000"));
    EXPECT_EQ(ReadFile(pair.mbx()), "mail");
    EXPECT_EQ(ReadFile(pair.toc()), "toc");
    EXPECT_EQ(RecoverInterruptedRewrite(pair), "");
}

}  // namespace
}  // namespace ledgerly
