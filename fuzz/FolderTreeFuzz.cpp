// Folder names from an arbitrary descmap.pce: naming never adds, drops or
// moves a node, a folder's name is a line's text before its first comma (or
// the folder's own name when no line names it), and it holds no line break.
#include <cstdint>
#include <cstdlib>
#include <filesystem>
#include <string>

#include "fuzz/FuzzHost.h"
#include "store/FolderTree.h"

using namespace ledgerly;

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    static const std::string root = [] {
        const std::string r = fuzz::ScratchPath("store/");
        std::filesystem::create_directories(r + "Work.fol");
        std::filesystem::create_directories(r + "A b.fol");
        std::filesystem::create_directories(r + "Work.fol/Inner.fol");
        return r;
    }();
    fuzz::WriteScratch(root + "descmap.pce", data, size);
    fuzz::WriteScratch(root + "Work.fol/descmap.pce", data, size);
    FolderTree tree;
    BuildTree(tree, root);
    const int count = tree.Count();
    std::vector<std::string> keys;
    for (int i = 1; i <= count; ++i) keys.push_back(tree.At(i).key);
    ApplyFolderNames(tree);
    if (tree.Count() != count) std::abort();
    const std::string in(reinterpret_cast<const char*>(data), size);
    for (int i = 1; i <= count; ++i) {
        const TreeNode& node = tree.At(i);
        if (node.key != keys[static_cast<std::size_t>(i - 1)]) std::abort();
        if (node.text.find('\n') != std::string::npos) std::abort();
        if (node.tag == "folder" && !node.text.empty() && in.find(node.text + ",") == std::string::npos &&
            node.key.find(node.text) == std::string::npos)
            std::abort();
    }
    return 0;
}
