#include <gtest/gtest.h>

#include <filesystem>

#include "app/AtomicFile.h"
#include "tests/support/TestSupport.h"

namespace fs = std::filesystem;
using namespace ledgerly;
using ledgerly::test::ReadFile;
using ledgerly::test::TempDir;
using ledgerly::test::WriteFile;

namespace {

std::size_t EntriesIn(const fs::path& folder) {
    return static_cast<std::size_t>(std::distance(fs::directory_iterator(folder), fs::directory_iterator()));
}

TEST(AtomicFile, TheTargetChangesOnlyAtCommit) {
    TempDir dir;
    const std::string target = dir / "page.html";
    WriteFile(target, "old");
    {
        auto file = AtomicFile::Create(target);
        ASSERT_TRUE(file.ok()) << file.error();
        ASSERT_TRUE(file->Append("new ").ok());
        ASSERT_TRUE(file->Append("page").ok());
        EXPECT_EQ(ReadFile(target), "old");
        EXPECT_EQ(file->Size(), 8);
        ASSERT_TRUE(file->Commit().ok());
    }
    EXPECT_EQ(ReadFile(target), "new page");
    EXPECT_EQ(EntriesIn(dir.path()), 1u);
}

TEST(AtomicFile, AnAbandonedFileLeavesNothingBehind) {
    TempDir dir;
    const std::string target = dir / "page.html";
    WriteFile(target, "old");
    {
        auto file = AtomicFile::Create(target);
        ASSERT_TRUE(file.ok());
        ASSERT_TRUE(file->Append("half").ok());
    }
    EXPECT_EQ(ReadFile(target), "old");
    EXPECT_EQ(EntriesIn(dir.path()), 1u);
}

TEST(AtomicFile, AClosedFileStaysCompleteUnderItsGivenName) {
    TempDir dir;
    const std::string target = dir / "In.mbx", temp = dir / "In.mbx.next";
    WriteFile(temp, "stale and longer");
    {
        auto file = AtomicFile::Create(target, temp);
        ASSERT_TRUE(file.ok());
        ASSERT_TRUE(file->Append("whole").ok());
        ASSERT_TRUE(file->Close().ok());
    }
    EXPECT_EQ(ReadFile(temp), "whole");
    EXPECT_FALSE(fs::exists(target));
}

TEST(AtomicFile, AFullDiskIsReportedAndTheTargetKept) {
    if (!fs::exists("/dev/full")) GTEST_SKIP() << "no /dev/full";
    TempDir dir;
    const std::string target = dir / "In.toc";
    WriteFile(target, "old");
    fs::create_symlink("/dev/full", dir / "In.toc.full");
    auto file = AtomicFile::Create(target, dir / "In.toc.full");
    ASSERT_TRUE(file.ok());
    const Status written = file->Append(std::string(1 << 16, 'x'));
    const Status committed = written ? file->Commit() : written;
    EXPECT_FALSE(committed.ok());
    EXPECT_NE(committed.error().find("Cannot write"), std::string::npos) << committed.error();
    EXPECT_EQ(ReadFile(target), "old");
}

}  // namespace
