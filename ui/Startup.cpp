#include "ui/Startup.h"

#include "app/StartupPaths.h"
#include "store/FolderTree.h"
#include "ui/MainWindow.h"

namespace ledgerly::ui {

std::unique_ptr<MainWindow> StartMainWindow(AppState& state, const std::string& commandLine,
                                          const std::function<std::string()>& readRegistry, Prompter* prompter, bool show) {
    FindDataFolder(state.paths, commandLine, readRegistry);
    SetDataPaths(state.paths);
    return ShowMainWindow(state, prompter, show);
}

std::unique_ptr<MainWindow> ShowMainWindow(AppState& state, Prompter* prompter, bool show) {
    // The window's load step (settings, palettes) runs before the tree is filled.
    auto window = std::make_unique<MainWindow>(state, prompter);

    FolderTree tree;
    if (!state.paths.DataFolder.empty()) BuildTree(tree, state.paths.DataFolder);
    LabelMailboxes(tree);
    ApplyFolderNames(tree);
    window->setFolderTree(std::move(tree));

    if (show) window->showAsLoaded();
    if (!window->treeEmpty()) window->selectNode(1);
    else window->setCommandEnabled("menuAlignColumns", false);
    return window;
}

}  // namespace ledgerly::ui
