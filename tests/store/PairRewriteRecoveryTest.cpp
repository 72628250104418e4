// What a tool finds after a crash and how it finishes or undoes the run.
#include <gtest/gtest.h>

#include <filesystem>

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

}  // namespace
}  // namespace ledgerly
