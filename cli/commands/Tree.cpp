// ledgerly-cli tree: the mail folder tree as the main window shows it, one
// node a line: indentation, text, key and picture, separated by tabs.
#include <iostream>

#include "app/FileHelpers.h"
#include "app/Platform.h"
#include "app/StartupPaths.h"
#include "cli/Cli.h"
#include "store/FolderTree.h"

namespace ledgerly::cli {
namespace {

std::string Picture(int image) {
    const std::string_view key = TreeImageKey(image);
    return key.empty() ? std::to_string(image) : std::string(key);
}

void Print(const FolderTree& tree, const TreeNode& node, int depth) {
    std::cout << std::string(static_cast<std::size_t>(depth) * 2, ' ') << ForTerminal(node.text) << '\t' << PathForTerminal(node.key)
              << '\t' << Picture(node.image) << '\n';
    for (const TreeNode* child : tree.ChildrenOf(node.key)) Print(tree, *child, depth + 1);
}

void Register(CLI::App& app, Env& env) {
    auto* cmd = app.add_subcommand("tree", "Show the mail folder tree: text, key and picture of every node");
    cmd->callback([&env] {
        // Only looks: unlike the desktop program, no Nickname folder is created.
        env.state.paths.ProgramFolder = ProgramFolder();
        FindDataFolder(env.state.paths, env.dataFolderOption,
                       [] { return RegReadString(kEudoraCommandLineKey, kEudoraCommandLineValue); });
        if (env.state.paths.DataFolder.empty()) {
            env.Fail(env.dataFolderOption.empty() ? "No data folder: give --data-folder DIR (Eudora's registry entry names none)."
                                                  : "The data folder '" + PathForTerminal(env.dataFolderOption) + "' does not exist.");
            return;
        }
        const FolderTree tree = LoadFolderTree(env.state.paths.DataFolder);
        for (const TreeNode* top : tree.TopLevel()) Print(tree, *top, 0);
    });
}

const CommandRegistrar registrar(15, &Register);

}  // namespace
}  // namespace ledgerly::cli
