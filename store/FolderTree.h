#pragma once
// The mail folder tree: the data folder as the root, the mail folders (*.fol)
// as branches, the mailboxes (*.mbx) as leaves, and mailboxes added by hand as
// top-level nodes beside the root. The windows show this model; the command
// line prints it.
#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

#include "store/Mailbox.h"  // IsMailboxKey: a key ending in "mbx" (any case) names a mailbox

namespace ledgerly {

// Pictures of the tree, 1-based as in the tree's image list.
enum TreeImage : int {
    kImageFolderClosed = 1,
    kImageFolderOpened = 2,
    kImageMailbox = 3,
    kImageMailboxOpen = 4,  // an expanded mailbox, or one added by hand
    kImageMailboxSet = 5,   // the data folder
    kImageIn = 6,
    kImageOut = 7,
    kImageTrash = 8,
    kImageJunk = 9,
};
inline constexpr int kTreeImageCount = 9;
// The key of picture 1..9 in the image list ("" for 3 and 4, which have none).
std::string_view TreeImageKey(int image);

// Node counts, node indices and directory entry positions are 16-bit: at most
// this many nodes are labelled and this many entries of one directory scanned.
inline constexpr int kMaxTreeIndex = 32767;

inline constexpr const char* kRootTag = "root";
inline constexpr const char* kFolderTag = "folder";

struct TreeNode {
    std::string key;        // native path: folders end in the separator
    std::string text;       // Windows-1252, as the mailbox and descmap.pce give it
    std::string tag;        // "root", "folder" or the mailbox's message count
    int image = kImageMailbox;
    std::string parentKey;  // empty for top-level nodes
    bool expanded = false;
    bool handAdded = false;
};

class FolderTree {
public:
    // Nodes in the order they were added (index 1 is the first).
    const std::vector<TreeNode>& Nodes() const { return nodes_; }
    int Count() const { return static_cast<int>(nodes_.size()); }
    TreeNode& At(int index) { return nodes_.at(static_cast<std::size_t>(index - 1)); }  // 1-based
    bool Empty() const { return nodes_.empty(); }
    const TreeNode* Find(std::string_view key) const;
    TreeNode* Find(std::string_view key);
    int IndexOf(std::string_view key) const;  // 1-based; 0 when absent

    // Adds a node; false (nothing added) when the key is taken or the parent
    // key names no node. An empty parent key adds a top-level node.
    bool Add(TreeNode node);
    // Removes the node and everything below it.
    void Remove(std::string_view key);
    void Clear() { nodes_.clear(); }

    // Top-level nodes in the order they were added.
    std::vector<const TreeNode*> TopLevel() const;
    // Children of a node, sorted by their text without regard to case (nodes
    // of equal text keep the order they were added in).
    std::vector<const TreeNode*> ChildrenOf(std::string_view key) const;

    // Expanding swaps picture 1 for 2 and 3 for 4; collapsing swaps them back.
    void SetExpanded(std::string_view key, bool expanded);

private:
    std::vector<TreeNode> nodes_;
};

// Adds the root for `dataFolder` (a separator is appended when missing) and
// scans it. Nothing happens when the folder does not exist.
void BuildTree(FolderTree& tree, const std::string& dataFolder);
// Adds the mailboxes and .fol folders under `path` (no trailing separator),
// recursively. Entries are taken in the order the file system lists them;
// hidden entries (dot-files) are not listed. A folder whose name does not end
// in "fol" gets no node but is scanned all the same; its mailboxes find no
// parent and are dropped.
void ScanFolder(FolderTree& tree, const std::string& path);
// Texts, tags and pictures of the mailbox nodes from their TOC headers.
void LabelMailboxes(FolderTree& tree);
// Display names of the folder nodes from the descmap.pce of their parent.
void ApplyFolderNames(FolderTree& tree);

enum class AddMailboxResult { Added, TocNotFound, AlreadyAdded, NotAdded };
// Adds a mailbox file chosen by hand as a top-level node keyed by its short path.
AddMailboxResult AddMailbox(FolderTree& tree, const std::string& mbxPath);

// Rebuilds the tree: every scanned node goes, hand-added mailboxes whose file
// still exists stay; then the data folder is scanned and labelled again.
// False (tree untouched) when the data folder is gone or the tree is empty.
bool Synchronize(FolderTree& tree, const std::string& dataFolder);

// Build, label and name: what start-up does with a valid data folder.
FolderTree LoadFolderTree(const std::string& dataFolder);

}  // namespace ledgerly
