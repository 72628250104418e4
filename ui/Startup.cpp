#include "ui/Startup.h"

#include "app/FileHelpers.h"
#include "app/IniFile.h"
#include "app/StartupPaths.h"
#include "store/FolderTree.h"
#include "ui/MainWindow.h"
#include "ui/Settings.h"

namespace ledgerly::ui {
namespace {

bool ValidFolder(const std::string& path) { return path.size() >= 5 && FolderExists(path); }

}  // namespace

DataFolderProblem CheckDataFolder(AppState& state, const std::string& commandLine) {
    if (!commandLine.empty() && !ValidFolder(WithTrailingSeparator(commandLine))) return DataFolderProblem::GivenFolderMissing;
    if (!state.paths.DataFolder.empty()) return DataFolderProblem::None;
    const std::string remembered = ReadIni("Settings", kDataFolderKey, "", state.paths.IniPath);
    if (remembered.empty() || !ValidFolder(WithTrailingSeparator(remembered))) return DataFolderProblem::NoneFound;
    state.paths.DataFolder = WithTrailingSeparator(remembered);
    SetDataPaths(state.paths);
    return DataFolderProblem::None;
}

std::string DataFolderProblemText(DataFolderProblem problem, const std::string& commandLine) {
    switch (problem) {
        case DataFolderProblem::None: return {};
        case DataFolderProblem::GivenFolderMissing:
            return "The data folder '" + commandLine + "' does not exist.\n\nChoose Eudora's data folder in the next window.";
        case DataFolderProblem::NoneFound:
            return "No Eudora data folder was found: none was given on the command line, and Eudora's registry entry names "
                   "none.\n\nChoose Eudora's data folder in the next window.";
    }
    return {};
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

std::unique_ptr<MainWindow> OpenMainWindow(AppState& state, const std::string& commandLine, Prompter* prompter, bool show) {
    const DataFolderProblem problem = CheckDataFolder(state, commandLine);
    auto window = ShowMainWindow(state, prompter, show);
    if (problem != DataFolderProblem::None) window->chooseDataFolder(QString::fromStdString(DataFolderProblemText(problem, commandLine)));
    return window;
}

std::unique_ptr<MainWindow> StartMainWindow(AppState& state, const std::string& commandLine,
                                            const std::function<std::string()>& readRegistry, Prompter* prompter, bool show) {
    FindDataFolder(state.paths, commandLine, readRegistry);
    SetDataPaths(state.paths);
    return OpenMainWindow(state, commandLine, prompter, show);
}

}  // namespace ledgerly::ui
