#include <gtest/gtest.h>

#include <filesystem>

#include "app/FileHelpers.h"
#include "store/FolderTree.h"
#include "store/MailboxBuilder.h"
#include "tests/support/TestSupport.h"

namespace ledgerly {
namespace {

using test::TempDir;
namespace fs = std::filesystem;

// Writes '<dir>/<file>.mbx' and its TOC with `count` messages.
void WritePair(const std::string& dir, const std::string& file, std::string_view name, std::int16_t type, int count) {
    fs::create_directories(dir);
    MailboxBuilder b;
    b.Name(name).Type(type);
    for (int i = 0; i < count; ++i) b.Add(ComposeMessage({"From: a@b.c", "Subject: m" + std::to_string(i)}, "body\r\n"));
    ASSERT_TRUE(b.Write(test::Native(dir + "/" + file + ".")).ok());
}

std::vector<std::string> Texts(const std::vector<const TreeNode*>& nodes) {
    std::vector<std::string> out;
    for (const TreeNode* n : nodes) out.push_back(n->text);
    return out;
}

class FolderTreeOnDisk : public ::testing::Test {
protected:
    TempDir dir;
    std::string root() const { return dir.str(); }
};

TEST_F(FolderTreeOnDisk, MailboxesAndFoldersAreLabelledFromTheirTocHeaders) {
    WritePair(dir / "", "In", "In", 0, 3);
    WritePair(dir / "", "Out", "Out", 1, 1);
    WritePair(dir / "", "Trash", "Trash", 0, 2);  // the name overrides the "in" picture
    WritePair(dir / "", "Spam", "Junk", 1, 0);
    WritePair(dir / "", "Sent", "", 2, 12);       // empty name: the file name stays
    WritePair(dir / "", "Renamed", "Other Name", 2, 4);
    WritePair(dir / "Work.fol", "Projects", "Projects", 2, 5);
    test::WriteFile(dir / "Bare.mbx", "");  // no TOC: bare file name, no count
    // Copied from a FAT disk: the extensions in capitals, or only one of them.
    // Moved in from another folder: a rename that changes only the case keeps
    // the old spelling under Wine.
    WritePair(dir / "copied", "OLD", "Old", 2, 2);
    fs::rename(dir / "copied/OLD.mbx", dir / "OLD.MBX");
    fs::rename(dir / "copied/OLD.toc", dir / "OLD.TOC");
    WritePair(dir / "copied", "Mixed", "Mixed", 2, 6);
    fs::rename(dir / "copied/Mixed.mbx", dir / "Mixed.MBX");
    fs::rename(dir / "copied/Mixed.toc", dir / "Mixed.toc");
    fs::remove(dir / "copied");

    const FolderTree tree = LoadFolderTree(root());
    ASSERT_GE(tree.Count(), 1);
    const TreeNode& rootNode = tree.Nodes()[0];
    EXPECT_EQ(rootNode.key, root());
    EXPECT_EQ(rootNode.text, dir.path().filename().string());
    EXPECT_EQ(rootNode.tag, "root");
    EXPECT_EQ(rootNode.image, kImageMailboxSet);

    struct Want { const char* key; const char* text; const char* tag; int image; const char* parent; };
    const Want wants[] = {
        {"In.mbx", "In (3)", "3", kImageIn, ""},
        {"Out.mbx", "Out (1)", "1", kImageOut, ""},
        {"Trash.mbx", "Trash (2)", "2", kImageTrash, ""},
        {"Spam.mbx", "Junk (0)", "0", kImageJunk, ""},
        {"Sent.mbx", "Sent (12)", "12", kImageMailbox, ""},
        {"Renamed.mbx", "Other Name (4)", "4", kImageMailbox, ""},
        {"Bare.mbx", "Bare", "", kImageMailbox, ""},
        {"OLD.MBX", "Old (2)", "2", kImageMailbox, ""},
        {"Mixed.MBX", "Mixed (6)", "6", kImageMailbox, ""},
        {"Work.fol/", "Work", "folder", kImageFolderClosed, ""},
        {"Work.fol/Projects.mbx", "Projects (5)", "5", kImageMailbox, "Work.fol/"},
    };
    for (const Want& w : wants) {
        const TreeNode* n = tree.Find(root() + test::Native(w.key));
        ASSERT_NE(n, nullptr) << w.key;
        EXPECT_EQ(n->text, w.text) << w.key;
        EXPECT_EQ(n->tag, w.tag) << w.key;
        EXPECT_EQ(n->image, w.image) << w.key;
        EXPECT_EQ(n->parentKey, root() + test::Native(w.parent)) << w.key;
    }
    EXPECT_EQ(tree.Count(), 1 + static_cast<int>(std::size(wants)));
    EXPECT_EQ(Texts(tree.ChildrenOf(root())),
              (std::vector<std::string>{"Bare", "In (3)", "Junk (0)", "Mixed (6)", "Old (2)", "Other Name (4)", "Out (1)", "Sent (12)",
                                        "Trash (2)", "Work"}));
}

TEST_F(FolderTreeOnDisk, OnlyFolFoldersGetNodesAndOthersLoseTheirMailboxes) {
    WritePair(dir / "attach", "Stray", "Stray", 0, 1);            // plain folder: dropped
    WritePair(dir / "Work.fol/sub", "Lost", "Lost", 0, 1);        // plain folder inside a .fol
    WritePair(dir / "Work.fol/Deep.FOL", "Kept", "Kept", 0, 1);   // any case of "fol"
    WritePair(dir / ".hidden.fol", "Secret", "Secret", 0, 1);     // hidden entries are not listed
    WritePair(dir / "", ".Hidden", "Hidden", 0, 1);
    fs::permissions(dir / "Work.fol", fs::perms::owner_write, fs::perm_options::remove);  // read-only folder

    const FolderTree tree = LoadFolderTree(root());
    fs::permissions(dir / "Work.fol", fs::perms::owner_write, fs::perm_options::add);
    std::vector<std::string> keys;
    for (const TreeNode& n : tree.Nodes()) keys.push_back(n.key.substr(root().size()));
    std::sort(keys.begin(), keys.end());
    EXPECT_EQ(keys, (std::vector<std::string>{"", test::Native("Work.fol/"), test::Native("Work.fol/Deep.FOL/"), test::Native("Work.fol/Deep.FOL/Kept.mbx")}));
}

TEST_F(FolderTreeOnDisk, ALinkBackToAnEnclosingFolderIsNotFollowedRoundAndRound) {
    WritePair(dir / "Work.fol", "Projects", "Projects", 0, 1);
    fs::create_directory_symlink(dir.path(), dir.path() / "Work.fol" / "Loop.fol");
    fs::create_directory_symlink(dir.path() / "Work.fol", dir.path() / "Alias.fol");
    const FolderTree tree = LoadFolderTree(root());
    std::vector<std::string> keys;
    for (const TreeNode& n : tree.Nodes()) keys.push_back(n.key.substr(root().size()));
    std::sort(keys.begin(), keys.end());
    // Each link gets its node; what lies behind it is scanned only when it is
    // not already being scanned.
    EXPECT_EQ(keys, (std::vector<std::string>{"", "Alias.fol/", "Alias.fol/Loop.fol/", "Alias.fol/Projects.mbx", "Work.fol/",
                                              "Work.fol/Loop.fol/", "Work.fol/Projects.mbx"}));
}

TEST_F(FolderTreeOnDisk, FolderNamesComeFromTheParentsDescmapWithExactCase) {
    struct Case { const char* descmap; const char* want; };
    const Case cases[] = {
        {"Work Stuff,Work.fol,F,N\r\n", "Work Stuff"},
        {"In,In.mbx,S,N\r\nWork Stuff,Work.fol,F,N\r\nLater,Work.fol,F,N\r\n", "Work Stuff"},  // first match wins
        {"Shouting,WORK.FOL,F,N\r\n", "Work"},                  // directory name compared with case
        {"Comma, Name,Work.fol,F,N\r\n", "Work"},               // no quoting: the name cannot hold a comma
        {"Unix Lines,Work.fol,F,N\n", "Unix Lines"},
        {"", "Work"},
    };
    WritePair(dir / "Work.fol", "Projects", "Projects", 0, 1);
    for (const Case& c : cases) {
        test::WriteFile(dir / "descmap.pce", c.descmap);
        const FolderTree tree = LoadFolderTree(root());
        const TreeNode* work = tree.Find(root() + test::Native("Work.fol/"));
        ASSERT_NE(work, nullptr);
        EXPECT_EQ(work->text, c.want) << c.descmap;
        // mailbox nodes keep the texts of their TOC headers
        EXPECT_EQ(tree.Find(root() + test::Native("Work.fol/Projects.mbx"))->text, "Projects (1)");
    }
}

TEST_F(FolderTreeOnDisk, NamesOnDiskBecomeWindows1252Texts) {
    WritePair(dir / "Caf\xC3\xA9.fol", "R\xC3\xA9sum\xC3\xA9", "", 2, 1);  // UTF-8 names on disk
    WritePair(dir / "Na\xC3\xAFve.fol", "x", "x", 2, 0);
    test::WriteFile(dir / "descmap.pce", "Caf\xE9 Stuff,Caf\xE9.fol,F,N\r\n");  // Windows-1252, as Eudora writes it
    const FolderTree tree = LoadFolderTree(root());
    EXPECT_EQ(tree.Find(root() + "Caf\xC3\xA9.fol/")->text, "Caf\xE9 Stuff");
    EXPECT_EQ(tree.Find(root() + "Caf\xC3\xA9.fol/R\xC3\xA9sum\xC3\xA9.mbx")->text, "R\xE9sum\xE9 (1)");
    EXPECT_EQ(tree.Find(root() + "Na\xC3\xAFve.fol/")->text, "Na\xEFve");
}

TEST_F(FolderTreeOnDisk, HandAddedMailboxesSurviveSynchronizeWhileTheirFilesExist) {
    WritePair(dir / "data", "In", "In", 0, 1);
    WritePair(dir / "elsewhere", "Old", "Old", 0, 2);   // type 0: labelling must not take its picture
    WritePair(dir / "elsewhere", "Gone", "Gone", 2, 1);
    test::WriteFile(dir / "elsewhere/NoToc.mbx", "");
    const std::string data = dir / "data/";
    FolderTree tree = LoadFolderTree(data);
    // Added by hand, a mailbox is keyed by its short (8.3) path; Windows makes
    // one for the long folder names here.
    const std::string oldKey = GetShortPath(dir / "elsewhere/Old.mbx"), goneKey = GetShortPath(dir / "elsewhere/Gone.mbx");
    ASSERT_FALSE(oldKey.empty());
    ASSERT_FALSE(goneKey.empty());

    EXPECT_EQ(AddMailbox(tree, dir / "elsewhere/NoToc.mbx"), AddMailboxResult::TocNotFound);
    EXPECT_EQ(AddMailbox(tree, dir / "elsewhere/Old.mbx"), AddMailboxResult::Added);
    EXPECT_EQ(AddMailbox(tree, dir / "elsewhere/Old.mbx"), AddMailboxResult::AlreadyAdded);
    EXPECT_EQ(AddMailbox(tree, dir / "elsewhere/Gone.mbx"), AddMailboxResult::Added);
    const TreeNode* old = tree.Find(oldKey);
    ASSERT_NE(old, nullptr);
    EXPECT_EQ(old->text, "Old (2)");
    EXPECT_EQ(old->tag, "2");
    EXPECT_EQ(old->image, kImageMailboxOpen);
    EXPECT_TRUE(old->parentKey.empty());

    fs::remove(dir / "elsewhere/Gone.mbx");
    WritePair(dir / "data", "New", "New", 1, 0);  // appears at the next synchronization
    for (int round = 0; round < 2; ++round) {
        ASSERT_TRUE(Synchronize(tree, data));
        ASSERT_NE(tree.Find(oldKey), nullptr) << round;
        EXPECT_EQ(tree.Find(oldKey)->image, kImageMailboxOpen) << round;
        EXPECT_EQ(tree.Find(goneKey), nullptr) << round;
        EXPECT_NE(tree.Find(data + "New.mbx"), nullptr) << round;
        EXPECT_EQ(tree.Count(), 4) << round;  // Old, root, In, New
    }
    EXPECT_EQ(tree.TopLevel().size(), 2u);

    FolderTree untouched = tree;
    EXPECT_FALSE(Synchronize(untouched, dir / "no-such-folder/"));
    EXPECT_EQ(untouched.Count(), tree.Count());
}

TEST(FolderTree, ExpandingAndCollapsingSwapPictures) {
    struct Case { int image; bool handAdded; int expanded; int collapsedAgain; };
    const Case cases[] = {
        {kImageFolderClosed, false, kImageFolderOpened, kImageFolderClosed},
        {kImageMailbox, false, kImageMailboxOpen, kImageMailbox},
        {kImageMailboxOpen, true, kImageMailboxOpen, kImageMailboxOpen},
        {kImageMailboxSet, false, kImageMailboxSet, kImageMailboxSet},
        {kImageTrash, false, kImageTrash, kImageTrash},
    };
    for (const Case& c : cases) {
        FolderTree tree;
        ASSERT_TRUE(tree.Add({"/k.mbx", "t", "", c.image, "", false, c.handAdded}));
        tree.SetExpanded("/k.mbx", true);
        EXPECT_EQ(tree.Nodes()[0].image, c.expanded) << c.image;
        tree.SetExpanded("/k.mbx", false);
        EXPECT_EQ(tree.Nodes()[0].image, c.collapsedAgain) << c.image;
    }
}

TEST(FolderTree, NodesNeedAFreeKeyAndAnExistingParentAndGoWithTheirParent) {
    FolderTree tree;
    EXPECT_TRUE(tree.Add({"/r/", "r", "root", kImageMailboxSet, "", false, false}));
    EXPECT_FALSE(tree.Add({"/r/", "again", "", kImageMailbox, "", false, false}));
    EXPECT_FALSE(tree.Add({"/x/a.mbx", "orphan", "", kImageMailbox, "/x/", false, false}));
    EXPECT_TRUE(tree.Add({"/r/F.fol/", "F", "folder", kImageFolderClosed, "/r/", false, false}));
    EXPECT_TRUE(tree.Add({"/r/F.fol/a.mbx", "a", "", kImageMailbox, "/r/F.fol/", false, false}));
    EXPECT_TRUE(tree.Add({"/other.mbx", "o", "", kImageMailboxOpen, "", false, true}));
    tree.Remove("/r/F.fol/");
    EXPECT_EQ(tree.Count(), 2);
    EXPECT_EQ(tree.IndexOf("/other.mbx"), 2);
    EXPECT_TRUE(IsMailboxKey("/a/B.MBX"));
    EXPECT_FALSE(IsMailboxKey("/a/B.fol/"));
    EXPECT_EQ(TreeImageKey(1), "folder_closed");
    EXPECT_EQ(TreeImageKey(3), "");
    EXPECT_EQ(TreeImageKey(9), "junk");
}

}  // namespace
}  // namespace ledgerly
