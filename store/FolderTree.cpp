#include "store/FolderTree.h"

#include <algorithm>
#include <array>
#include <filesystem>

#include "app/Encoding.h"
#include "app/FileHelpers.h"
#include "app/TextHelpers.h"
#include "store/Toc.h"

namespace fs = std::filesystem;

namespace ledgerly {
namespace {

std::string DropLast(std::string_view text, std::size_t n) {
    return std::string(text.substr(0, text.size() >= n ? text.size() - n : 0));
}

bool LessNoCase(const std::string& a, const std::string& b) {
    return std::lexicographical_compare(a.begin(), a.end(), b.begin(), b.end(), [](char x, char y) {
        return static_cast<unsigned char>(FoldCase(x)) < static_cast<unsigned char>(FoldCase(y));
    });
}

// Texts of the tree are Windows-1252, as Eudora writes TOC headers and
// descmap.pce; names on disk come as the program's text, UTF-8.
std::string NameAsText(std::string_view name) { return Utf8ToCp1252(name); }

// One directory's entries in the order the file system gives them, hidden
// entries (dot-files) left out, at most kMaxTreeIndex of them.
std::vector<FolderEntry> ListEntries(const std::string& dir) {
    std::vector<FolderEntry> entries;
    for (FolderEntry& e : ListFolder(dir)) {
        if (e.name.empty() || e.name[0] == '.') continue;
        entries.push_back(std::move(e));
        if (static_cast<int>(entries.size()) >= kMaxTreeIndex) break;
    }
    return entries;
}

// `open` holds the folders being scanned (as the file system resolves them),
// so that a link back to one of them is not followed round and round.
void Scan(FolderTree& tree, const std::string& path, int depth, std::vector<fs::path>& open) {
    std::error_code ec;
    const fs::path resolved = fs::canonical(FsPath(path), ec);
    if (ec || std::find(open.begin(), open.end(), resolved) != open.end()) return;
    open.push_back(resolved);
    const std::string dir = path + kPathSeparator;
    for (const FolderEntry& e : ListEntries(dir)) {
        if (!e.isFolder) {
            if (!EndsWithNoCase(e.name, "mbx")) continue;
            TreeNode node;
            node.key = dir + e.name;
            node.text = NameAsText(DropLast(e.name, 4));
            node.image = kImageMailbox;
            node.parentKey = dir;
            tree.Add(std::move(node));
            continue;
        }
        if (EndsWithNoCase(e.name, "fol")) {
            TreeNode node;
            node.key = dir + e.name + kPathSeparator;
            node.text = NameAsText(DropLast(e.name, 4));
            node.image = kImageFolderClosed;
            node.tag = kFolderTag;
            node.parentKey = dir;
            tree.Add(std::move(node));
        }
        // The recursion depth is a 16-bit counter: deeper than that is not scanned.
        if (depth < kMaxTreeIndex) Scan(tree, dir + e.name, depth + 1, open);
    }
    open.pop_back();
}

}  // namespace

std::string_view TreeImageKey(int image) {
    static constexpr std::array<std::string_view, kTreeImageCount> keys{
        "folder_closed", "folder_opened", "", "", "mailbox_set", "in", "out", "trash", "junk"};
    return image >= 1 && image <= kTreeImageCount ? keys[static_cast<std::size_t>(image - 1)] : std::string_view();
}

const TreeNode* FolderTree::Find(std::string_view key) const {
    const auto it = std::find_if(nodes_.begin(), nodes_.end(), [&](const TreeNode& n) { return n.key == key; });
    return it == nodes_.end() ? nullptr : &*it;
}

TreeNode* FolderTree::Find(std::string_view key) {
    return const_cast<TreeNode*>(static_cast<const FolderTree*>(this)->Find(key));
}

int FolderTree::IndexOf(std::string_view key) const {
    for (std::size_t i = 0; i < nodes_.size(); ++i)
        if (nodes_[i].key == key) return static_cast<int>(i) + 1;
    return 0;
}

bool FolderTree::Add(TreeNode node) {
    if (node.key.empty() || Find(node.key)) return false;
    if (!node.parentKey.empty() && !Find(node.parentKey)) return false;
    nodes_.push_back(std::move(node));
    return true;
}

void FolderTree::Remove(std::string_view key) {
    const TreeNode* node = Find(key);
    if (!node) return;
    // Collect the node and its descendants, then drop them in one pass.
    std::vector<std::string> doomed{node->key};
    for (std::size_t i = 0; i < doomed.size(); ++i)
        for (const TreeNode& n : nodes_)
            if (n.parentKey == doomed[i]) doomed.push_back(n.key);
    std::erase_if(nodes_, [&](const TreeNode& n) { return std::find(doomed.begin(), doomed.end(), n.key) != doomed.end(); });
}

std::vector<const TreeNode*> FolderTree::TopLevel() const {
    std::vector<const TreeNode*> out;
    for (const TreeNode& n : nodes_)
        if (n.parentKey.empty()) out.push_back(&n);
    return out;
}

std::vector<const TreeNode*> FolderTree::ChildrenOf(std::string_view key) const {
    std::vector<const TreeNode*> out;
    for (const TreeNode& n : nodes_)
        if (n.parentKey == key) out.push_back(&n);
    std::stable_sort(out.begin(), out.end(), [](const TreeNode* a, const TreeNode* b) { return LessNoCase(a->text, b->text); });
    return out;
}

void FolderTree::SetExpanded(std::string_view key, bool expanded) {
    TreeNode* n = Find(key);
    if (!n) return;
    n->expanded = expanded;
    if (expanded) {
        if (n->image == kImageFolderClosed) n->image = kImageFolderOpened;
        else if (n->image == kImageMailbox) n->image = kImageMailboxOpen;
    } else {
        if (n->image == kImageFolderOpened) n->image = kImageFolderClosed;
        else if (n->image == kImageMailboxOpen && !n->handAdded) n->image = kImageMailbox;
    }
}

void BuildTree(FolderTree& tree, const std::string& dataFolder) {
    const std::string root = WithTrailingSeparator(dataFolder);
    if (!FolderExists(root)) return;
    TreeNode node;
    node.key = root;
    node.text = NameAsText(GetFolderName(root));
    node.image = kImageMailboxSet;
    node.tag = kRootTag;
    node.expanded = true;  // the data folder's contents show at once
    if (!tree.Add(std::move(node))) return;
    ScanFolder(tree, root.substr(0, root.size() - 1));
}

void ScanFolder(FolderTree& tree, const std::string& path) {
    std::vector<fs::path> open;
    Scan(tree, path, 1, open);
}

void LabelMailboxes(FolderTree& tree) {
    const int last = std::min(tree.Count(), kMaxTreeIndex);
    for (int i = 0; i < last; ++i) {
        TreeNode& node = tree.At(i + 1);
        const std::string tocPath = IsMailboxKey(node.key) ? PartnerPath(node.key, "toc") : std::string();
        if (!FileExists(tocPath)) {
            if (node.image != kImageMailboxSet) tree.SetExpanded(node.key, false);
            continue;
        }
        auto toc = TocImage::Load(tocPath);
        if (!toc.ok() || !toc.value().HasHeader()) continue;  // unreadable: the text stays
        const TocHeader header = toc.value().ReadHeader();
        const std::string name = TrimAtNull(std::string_view(header.MailboxName.data(), header.MailboxName.size()));
        const std::string count = std::to_string(header.MessageCount);
        node.text = (TrimSpaces(name).empty() ? node.text : name) + " (" + count + ")";
        node.tag = count;
        // A mailbox added by hand keeps its own picture, which is what marks
        // it as added by hand.
        if (node.handAdded) continue;
        if (header.MailboxType == 0) node.image = kImageIn;
        else if (header.MailboxType == 1) node.image = kImageOut;
        if (name == "Trash") node.image = kImageTrash;
        else if (name == "Junk") node.image = kImageJunk;
    }
}

void ApplyFolderNames(FolderTree& tree) {
    const int last = std::min(tree.Count(), kMaxTreeIndex);
    for (int i = 1; i < last; ++i) {
        TreeNode& node = tree.At(i + 1);
        if (node.parentKey.empty()) continue;
        if (!EndsWithNoCase(node.key, std::string("fol") + kPathSeparator)) continue;
        const auto map = ReadWholeFile(node.parentKey + "descmap.pce");
        if (!map) continue;
        const std::string dirName = NameAsText(GetFolderName(node.key));
        std::size_t pos = 0;
        while (pos < map->size()) {
            std::size_t end = map->find('\n', pos);
            if (end == std::string::npos) end = map->size();
            std::string line = map->substr(pos, end - pos);
            pos = end + 1;
            if (!line.empty() && line.back() == '\r') line.pop_back();
            const std::size_t comma1 = line.find(',');
            if (comma1 == std::string::npos) continue;
            const std::size_t comma2 = line.find(',', comma1 + 1);
            const std::string second = line.substr(comma1 + 1, comma2 == std::string::npos ? std::string::npos : comma2 - comma1 - 1);
            if (second == dirName) {
                node.text = line.substr(0, comma1);
                break;
            }
        }
    }
}

AddMailboxResult AddMailbox(FolderTree& tree, const std::string& mbxPath) {
    const std::string tocPath = PartnerPath(mbxPath, "toc");
    if (!FileExists(tocPath)) return AddMailboxResult::TocNotFound;
    std::string count = "0";
    if (auto toc = TocImage::Load(tocPath); toc.ok()) count = std::to_string(toc.value().ReadHeader().MessageCount);
    const std::string shortPath = GetShortPath(mbxPath);
    if (tree.Find(shortPath)) return AddMailboxResult::AlreadyAdded;
    TreeNode node;
    node.key = shortPath;
    node.text = NameAsText(GetFileName(mbxPath, true)) + " (" + count + ")";
    node.image = kImageMailboxOpen;
    node.tag = count;
    node.handAdded = true;
    return tree.Add(std::move(node)) ? AddMailboxResult::Added : AddMailboxResult::NotAdded;
}

bool Synchronize(FolderTree& tree, const std::string& dataFolder) {
    if (!FolderExists(dataFolder) || tree.Empty()) return false;
    for (int i = tree.Count(); i >= 1; --i) {
        if (i > tree.Count()) continue;  // gone with a removed parent
        const TreeNode& n = tree.Nodes()[static_cast<std::size_t>(i - 1)];
        if (!n.handAdded || !FileExists(n.key)) tree.Remove(std::string(n.key));
    }
    if (FolderExists(dataFolder)) {
        BuildTree(tree, dataFolder);
        LabelMailboxes(tree);
        ApplyFolderNames(tree);
    }
    return true;
}

FolderTree LoadFolderTree(const std::string& dataFolder) {
    FolderTree tree;
    if (FolderExists(dataFolder)) BuildTree(tree, dataFolder);
    LabelMailboxes(tree);
    ApplyFolderNames(tree);
    return tree;
}

}  // namespace ledgerly
