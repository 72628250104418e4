// The flagging tools and a body rewrite running at the same time in one folder.
#include <gtest/gtest.h>

#include <functional>

#include "flagging/Duplicates.h"
#include "flagging/SummaryRefresh.h"
#include "store/PairTransaction.h"
#include "store/RewriteLock.h"
#include "tests/flagging/FlaggingFixture.h"

namespace ledgerly::test {
namespace {

class FolderLockTest : public FlaggingTest {
protected:
    FieldDecodeFn noDecode = [](char*) {};
    struct Tool {
        const char* name;
        std::function<Status(FolderLockTest&)> run;
    };
    std::vector<Tool> Tools() {
        return {
            {"update", [](FolderLockTest& t) { return UpdateTocFields(t.context, t.pair, RefreshSelectors::All(), t.noDecode); }},
            {"mark", [](FolderLockTest& t) { return MarkAllMessages(t.context, t.pair, true); }},
            {"classic", [](FolderLockTest& t) { return FlagDuplicatesClassic(t.context, t.pair, {}).status(); }},
            {"hash", [](FolderLockTest& t) { return FlagDuplicatesHash(t.context, t.pair, {}).status(); }},
        };
    }
};

// A flagging run took the temporary mailbox of a rewrite still being written
// for the remains of a crash and deleted it; and the TOC file it saved at its
// end, read before the rewrite replaced the pair, would have undone the new
// Offsets and Lengths.
TEST_F(FolderLockTest, FlaggingToolsWaitForARewriteInTheSameFolder) {
    WriteMessages({{"From: a@host", "Subject: s"}, {"From: a@host", "Subject: s"}});
    const std::string toc = ReadFile(pair + "toc");
    const std::string inProgress = pair + "mbx" + std::string(kNewSuffix);
    for (const Tool& tool : Tools()) {
        {
            auto rewrite = RewriteLock::Acquire(dir / "Other.mbx");  // a rewrite in this folder
            ASSERT_TRUE(rewrite.ok());
            WriteFile(inProgress, "the new mailbox, half written");
            const Status refused = tool.run(*this);
            ASSERT_FALSE(refused.ok()) << tool.name;
            EXPECT_NE(refused.error().find("Another run"), std::string::npos) << tool.name << ": " << refused.error();
            EXPECT_EQ(ReadFile(inProgress), "the new mailbox, half written") << tool.name;
            EXPECT_EQ(ReadFile(pair + "toc"), toc) << tool.name;
            std::filesystem::remove(inProgress);
        }
        EXPECT_TRUE(tool.run(*this).ok()) << tool.name;  // the folder is free again
        WriteFile(pair + "toc", toc);
    }
}

}  // namespace
}  // namespace ledgerly::test
