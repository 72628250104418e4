#include <gtest/gtest.h>

#include <algorithm>
#include <filesystem>

#include "store/ColumnWidths.h"
#include "store/MailboxBuilder.h"
#include "tests/support/TestSupport.h"

namespace ledgerly {
namespace {

using test::TempDir;

MailboxBuilder Box(std::uint8_t version) {
    MailboxBuilder b;
    b.Name("In").Version(version).Widths({11, 12, 13, 14, 15, 16, 17, 18});
    b.Add(ComposeMessage({"From: a@b", "Subject: s"}, "body\r\n"), "a@b", "s", "01:00 PM 1/2/2004");
    return b;
}

TEST(ColumnWidths, OldHeadersTakeTheEightWidthsInOrderAndNewOnesKeepTheJunkSlot) {
    struct Case { std::uint8_t version; std::array<std::int16_t, 8> expected; std::string names; };
    const Case cases[] = {
        {0x30, {12, 3, 3, 5, 7, 7, 3, 4}, "S P A Label Who Date K V"},
        {0x31, {12, 12, 3, 3, 5, 7, 7, 3}, "S Junk P A Label Who Date K"},  // Junk kept; no V
    };
    for (const Case& c : cases) {
        TocHeader h = Box(c.version).Header();
        SetColumnWidths(h, {12.6, 3, 3, 5, 7, 7, 3, 4});
        EXPECT_EQ(h.ColumnWidths, c.expected) << std::hex << int(c.version);
        const ColumnWidthSet back = GetColumnWidths(h);
        EXPECT_EQ(back[0], 12);
        EXPECT_EQ(back[6], 3);
        std::string names;
        for (const char* n : ColumnSlotNames(h)) names += (names.empty() ? "" : " ") + std::string(n);
        EXPECT_EQ(names, c.names);
    }
}

TEST(ColumnWidths, WritingChangesNoOtherByteOfTheTocFile) {
    TempDir dir;
    const std::string pair = dir / "In.";
    const MailboxBuilder box = Box(0x30);
    ASSERT_TRUE(box.Write(pair));
    const std::string before = test::ReadFile(pair + "toc");
    // A dry run says whether the widths would change and writes nothing.
    EXPECT_TRUE(*WriteColumnWidths(pair, {1, 2, 3, 4, 5, 6, 7, 8}, true));
    EXPECT_FALSE(*WriteColumnWidths(pair, {11, 12, 13, 14, 15, 16, 17, 18}, true));
    EXPECT_EQ(test::ReadFile(pair + "toc"), before);
    auto written = WriteColumnWidths(pair, {1, 2, 3, 4, 5, 6, 7, 8});
    ASSERT_TRUE(written.ok()) << written.error();
    EXPECT_TRUE(*written);
    const std::string after = test::ReadFile(pair + "toc");
    ASSERT_EQ(before.size(), after.size());
    for (std::size_t i = 0; i < before.size(); ++i)
        if (i < 54 || i >= 70) {
            EXPECT_EQ(before[i], after[i]) << "byte " << i;
        }
    EXPECT_EQ(after[54], 1);
    EXPECT_EQ(after[68], 8);
}

TEST(ColumnWidths, AMailboxWithoutTocIsSkippedAndNoTocIsCreated) {
    TempDir dir;
    test::WriteFile(dir / "Lone.mbx", "From ???@??? x\r\n\r\nbody\r\n");
    auto written = WriteColumnWidths(dir / "Lone.", kDefaultColumnWidths);
    ASSERT_TRUE(written.ok());
    EXPECT_FALSE(*written);
    EXPECT_FALSE(std::filesystem::exists(dir / "Lone.toc"));
}

TEST(ColumnWidths, AnInconsistentPairIsRefusedUnchanged) {
    TempDir dir;
    const std::string pair = dir / "In.";
    ASSERT_TRUE(Box(0x30).Write(pair));
    std::string toc = test::ReadFile(pair + "toc");
    toc.resize(toc.size() - 10);  // the last summary cut short
    test::WriteFile(pair + "toc", toc);
    auto written = WriteColumnWidths(pair, {1, 2, 3, 4, 5, 6, 7, 8});
    EXPECT_FALSE(written.ok());
    EXPECT_EQ(test::ReadFile(pair + "toc"), toc);
}

TEST(ColumnWidths, MailboxesBelowAFolderIncludeNestedMailFoldersOnly) {
    TempDir dir;
    namespace fs = std::filesystem;
    fs::create_directories(dir.path() / "Work.fol" / "Deep.fol");
    fs::create_directories(dir.path() / "attach");
    for (const char* f : {"In.mbx", "Work.fol/Projects.mbx", "Work.fol/Deep.fol/Old.mbx", "attach/Stray.mbx", ".Hidden.mbx"})
        test::WriteFile((dir.path() / f).string(), "");
    std::vector<std::string> found = MailboxesBelow(dir.str());
    std::sort(found.begin(), found.end());
    const std::vector<std::string> expected = {dir / "In.mbx", dir / "Work.fol/Deep.fol/Old.mbx", dir / "Work.fol/Projects.mbx"};
    EXPECT_EQ(found, expected);
}

}  // namespace
}  // namespace ledgerly
