#include <gtest/gtest.h>

#include <filesystem>

#include "app/AtomicFile.h"
#include "app/FileHelpers.h"
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

TEST(AtomicFile, TheNewFileTakesTheTargetsModeAndALinkAtTheTargetIsReplacedNotFollowed) {
    TempDir dir;
    const std::string target = dir / "In.toc";
    WriteFile(target, "old");
    fs::permissions(target, fs::perms::owner_read | fs::perms::owner_write);
    ASSERT_TRUE(WriteWholeFileChecked(target, "new").ok());
    EXPECT_EQ(fs::status(target).permissions() & fs::perms::all, fs::perms::owner_read | fs::perms::owner_write);
    WriteFile(dir / "elsewhere", "keep");
    fs::create_symlink(dir / "elsewhere", dir / "linked");
    ASSERT_TRUE(WriteWholeFileChecked(dir / "linked", "new").ok());
    EXPECT_EQ(ReadFile(dir / "elsewhere"), "keep");
    EXPECT_FALSE(fs::is_symlink(dir / "linked"));
}

}  // namespace
