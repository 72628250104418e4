#include <gtest/gtest.h>

#include <filesystem>

#include "app/Messages.h"
#include "attachments/OrphanFinder.h"
#include "tests/support/TestSupport.h"

namespace fs = std::filesystem;
using namespace ledgerly;
using ledgerly::test::FakeHost;
using ledgerly::test::ReadFile;
using ledgerly::test::TempDir;
using ledgerly::test::WriteFile;

namespace {
struct Fixture {
    TempDir dir;
    AppState state;
    FakeHost host{state};
    std::vector<ResultRow> rows;
    Fixture() {
        fs::create_directories(dir.path() / "attach");
        fs::create_directories(dir.path() / "target");
        WriteFile(dir / "attach/a.txt", "AAA");
        WriteFile(dir / "attach/b.txt", "B");
        rows = {MakeResultRow(dir / "attach/a.txt"), MakeResultRow(dir / "attach/b.txt")};
    }
};
}  // namespace

TEST(FinderTransfer, CopyKeepsSourceAndMarksRowsBold) {
    Fixture f;
    const TransferSummary s = TransferFiles(f.rows, {0, 1}, f.dir / "target", false, f.host);
    EXPECT_EQ(s.done, 2);
    EXPECT_TRUE(s.status.empty());
    EXPECT_EQ(ReadFile(f.dir / "target/a.txt"), "AAA");
    EXPECT_TRUE(fs::exists(f.dir / "attach/a.txt"));
    EXPECT_TRUE(f.rows[0].bold && f.rows[1].bold);
    EXPECT_EQ(f.rows[0].fullPath, f.dir / "attach/a.txt");
}

TEST(FinderTransfer, MoveDeletesSourceAndFollowsTheFile) {
    Fixture f;
    TransferFiles(f.rows, {1}, f.dir / "target/", true, f.host);
    EXPECT_FALSE(fs::exists(f.dir / "attach/b.txt"));
    EXPECT_EQ(f.rows[1].fullPath, f.dir / "target/b.txt");
    EXPECT_TRUE(f.rows[1].bold);
    EXPECT_FALSE(f.rows[0].bold);
}

TEST(FinderTransfer, OverwriteAsksAndLeavesAnExactCopy) {
    Fixture f;
    WriteFile(f.dir / "target/b.txt", "a much longer old destination");
    f.host.answers = {false};
    TransferSummary s = TransferFiles(f.rows, {1}, f.dir / "target", false, f.host);
    EXPECT_EQ(s.declined, 1);
    EXPECT_EQ(ReadFile(f.dir / "target/b.txt"), "a much longer old destination");
    ASSERT_EQ(f.host.asked.size(), 1u);
    EXPECT_EQ(f.host.asked[0], std::string(msg::kTitle) + "|File '" + f.dir / "target/b.txt" + " 'already exist. Overwrite?");
    f.host.answers = {true};
    s = TransferFiles(f.rows, {1}, f.dir / "target", false, f.host);
    EXPECT_EQ(s.done, 1);
    EXPECT_EQ(ReadFile(f.dir / "target/b.txt"), "B");
}

// Two orphans of one name from different folders were moved into one folder:
// "4 files moved", and the folder held 3 files.
TEST(FinderTransfer, TwoFilesOfOneNameBothArriveAndAFileThatWasThereIsReplacedOnlyWhenTheUserSaysSo) {
    for (const ExistingTarget existing : {ExistingTarget::Ask, ExistingTarget::KeepBoth}) {
        Fixture f;
        fs::create_directories(f.dir.path() / "other");
        WriteFile(f.dir / "other/a.txt", "other A");
        WriteFile(f.dir / "target/b.txt", "was there");
        f.rows.push_back(MakeResultRow(f.dir / "other/a.txt"));
        f.host.answers = {false};  // Ask: keep the b.txt that was there
        const TransferSummary s = TransferFiles(f.rows, {0, 1, 2}, f.dir / "target", true, f.host, existing);
        const bool keepBoth = existing == ExistingTarget::KeepBoth;
        EXPECT_EQ(s.done, keepBoth ? 3 : 2);
        EXPECT_EQ(f.host.asked.size(), keepBoth ? 0u : 1u);  // never about a file the move itself brought
        EXPECT_EQ(ReadFile(f.dir / "target/a.txt"), "other A");  // last to first
        EXPECT_EQ(ReadFile(f.dir / "target/a (2).txt"), "AAA");
        EXPECT_EQ(ReadFile(f.dir / "target/b.txt"), "was there");
        EXPECT_EQ(ReadFile(f.dir / "target/b (2).txt"), keepBoth ? "B" : "");
        EXPECT_EQ(f.rows[0].fullPath, f.dir / "target/a (2).txt");
        EXPECT_NE(s.status.find("'a.txt' as 'a (2).txt'"), std::string::npos) << s.status;
        EXPECT_EQ(fs::exists(f.dir / "attach/b.txt"), !keepBoth);  // not moved when the user kept the old one
    }
    TempDir dir;
    WriteFile(dir / "x.tar.gz", "");
    WriteFile(dir / "x.tar (2).gz", "");
    EXPECT_EQ(FreeFileName(dir.str(), "x.tar.gz"), "x.tar (3).gz");
    EXPECT_EQ(FreeFileName(dir.str(), "README"), "README");
    EXPECT_EQ(FreeFileName(dir.str(), ".hidden"), ".hidden");
}

// Moving a file onto itself once deleted it: the copy overwrote the file,
// then the "source" was removed.
TEST(FinderTransfer, CopyOrMoveOntoTheFileItselfIsSkipped) {
    for (bool move : {false, true}) {
        Fixture f;
        const TransferSummary s = TransferFiles(f.rows, {0, 1}, f.dir / "attach", move, f.host);
        EXPECT_EQ(s.onItself, 2);
        EXPECT_TRUE(f.host.asked.empty());
        EXPECT_EQ(ReadFile(f.dir / "attach/a.txt"), "AAA");
        EXPECT_EQ(ReadFile(f.dir / "attach/b.txt"), "B");
        EXPECT_FALSE(f.rows[0].bold);
        EXPECT_NE(s.status.find("2 skipped"), std::string::npos) << s.status;
    }
}

TEST(FinderTransfer, FailedWriteLeavesRowAndSource) {
    Fixture f;
    const TransferSummary s = TransferFiles(f.rows, {0}, f.dir / "no/such/folder", true, f.host);
    EXPECT_EQ(s.failed, 1);
    EXPECT_TRUE(fs::exists(f.dir / "attach/a.txt"));
    EXPECT_EQ(f.rows[0].fullPath, f.dir / "attach/a.txt");
    EXPECT_FALSE(f.rows[0].bold);
}

TEST(FinderWipe, DeletedRowsGoAndUndeletableRowsStay) {
    Fixture f;
    // A non-empty folder in place of a file cannot be deleted as a file.
    fs::create_directories(f.dir.path() / "attach/stuck.txt");
    WriteFile(f.dir / "attach/stuck.txt/inside", "x");
    f.rows.push_back(MakeResultRow(f.dir / "attach/stuck.txt"));
    const WipeSummary s = WipeFiles(f.rows, {0, 2});
    EXPECT_EQ(s.deleted, 1);
    EXPECT_EQ(s.failed, 1);
    EXPECT_EQ(s.status, "1 file deleted. 1 file could not be deleted.");
    ASSERT_EQ(f.rows.size(), 2u);
    EXPECT_EQ(f.rows[0].fileName, "b.txt");
    EXPECT_EQ(f.rows[1].fileName, "stuck.txt");
    EXPECT_FALSE(fs::exists(f.dir / "attach/a.txt"));
    EXPECT_TRUE(fs::exists(f.dir / "attach/stuck.txt/inside"));

    // The seam: a removal that fails keeps every row.
    const WipeSummary none = WipeFiles(f.rows, {0, 1}, [](const std::string&) { return false; });
    EXPECT_EQ(none.status, "0 files deleted. 2 files could not be deleted.");
    EXPECT_EQ(f.rows.size(), 2u);
}
