#pragma once
// What start-up does once the program may run: finds the data folder, fixes
// the global paths, builds and labels the folder tree, and shows the main
// window with the root selected. A data folder that does not exist, or none
// found at all, is said in a box, and a folder chooser follows; the chosen
// folder is remembered for the starts that find none.
#include <functional>
#include <memory>
#include <string>

#include "app/AppState.h"

namespace ledgerly::ui {

class Prompter;
class MainWindow;

enum class DataFolderProblem {
    None,
    GivenFolderMissing,  // the command line names a folder that does not exist
    NoneFound,           // no command line, and neither the registry nor a remembered choice gives a folder
};

// With state.paths fixed from the command line and the registry: what is
// wrong with the data folder. Without one, the folder chosen at an earlier
// start ([Settings] DataFolder) is taken when it still exists.
DataFolderProblem CheckDataFolder(AppState& state, const std::string& commandLine);

// The text of the box that says what is wrong.
std::string DataFolderProblemText(DataFolderProblem problem, const std::string& commandLine);

// The window's load step, then the tree built and labelled, the root
// selected. `show` false leaves the window hidden (tests).
std::unique_ptr<MainWindow> ShowMainWindow(AppState& state, Prompter* prompter = nullptr, bool show = true);

// CheckDataFolder, ShowMainWindow, then the box and the chooser when there is
// a problem.
std::unique_ptr<MainWindow> OpenMainWindow(AppState& state, const std::string& commandLine, Prompter* prompter = nullptr,
                                           bool show = true);

// The same, fixing DataFolder and the data paths first: `commandLine` is the
// whole command line, taken as one text; `readRegistry` gives Eudora's
// registry value. ProgramFolder and IniPath must be set.
std::unique_ptr<MainWindow> StartMainWindow(AppState& state, const std::string& commandLine,
                                            const std::function<std::string()>& readRegistry, Prompter* prompter = nullptr,
                                            bool show = true);

}  // namespace ledgerly::ui
