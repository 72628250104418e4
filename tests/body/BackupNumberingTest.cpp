#include <gtest/gtest.h>

#include <filesystem>

#include "body/Backup.h"
#include "tests/support/TestSupport.h"

namespace ledgerly {
namespace {

using test::ReadFile;
using test::TempDir;
using test::WriteFile;

TEST(BackupNumbering, TakesTheSmallestFreeNumber) {
    TempDir dir;
    WriteFile(dir / "In.mbx", "mail");
    WriteFile(dir / "In.mbx.1", "first");
    WriteFile(dir / "In.mbx.3", "third");
    AppState state;
    auto name = CreateBackup(state, dir / "In.mbx");
    ASSERT_TRUE(name.ok()) << name.error();
    EXPECT_EQ(*name, dir / "In.mbx.2");
    EXPECT_EQ(ReadFile(*name), "mail");
    EXPECT_EQ(ReadFile(dir / "In.mbx.1"), "first");  // never overwritten
    EXPECT_EQ(ReadFile(dir / "In.mbx.3"), "third");
    EXPECT_EQ(state.MbxBackupPath, dir / "In.mbx.2");
    EXPECT_EQ(*CreateBackup(state, dir / "In.mbx"), dir / "In.mbx.4");
    EXPECT_FALSE(std::filesystem::exists(dir / "In.mbx.4.ledgerly-partial"));
}

TEST(BackupNumbering, ExtensionInAnyCaseSetsTheMatchingBackupPath) {
    TempDir dir;
    WriteFile(dir / "OUT.TOC", "toc");
    WriteFile(dir / "OUT.MBX", "mbx");
    AppState state;
    auto toc = CreateBackup(state, dir / "OUT.TOC");
    auto mbx = CreateBackup(state, dir / "OUT.MBX");
    ASSERT_TRUE(toc.ok() && mbx.ok());
    EXPECT_EQ(state.TocBackupPath, dir / "OUT.TOC.1");
    EXPECT_EQ(state.MbxBackupPath, dir / "OUT.MBX.1");
    // Another name: on Windows 'Out.toc' would be the file 'OUT.TOC'.
    WriteFile(dir / "Work.toc", "toc");
    WriteFile(dir / "Work.mbx", "mbx");
    auto pair = BackupPair(state, dir / "Work.");
    ASSERT_TRUE(pair.ok()) << pair.error();
    EXPECT_EQ(pair->toc, dir / "Work.toc.1");
    EXPECT_EQ(pair->mbx, dir / "Work.mbx.1");
    EXPECT_EQ(state.TocBackupPath, dir / "Work.toc.1");
    // A missing file gives no backup and no failure.
    auto none = CreateBackup(state, dir / "None.mbx");
    ASSERT_TRUE(none.ok());
    EXPECT_EQ(*none, "");
    EXPECT_EQ(state.MbxBackupPath, dir / "Work.mbx.1");
}

}  // namespace
}  // namespace ledgerly
