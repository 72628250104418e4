#pragma once
// What start-up does once the program may run: finds the data folder, fixes
// the global paths, builds and labels the folder tree, and shows the main
// window with the root selected.
#include <functional>
#include <memory>
#include <string>

#include "app/AppState.h"

namespace ledgerly::ui {

class Prompter;
class MainWindow;

// With state.paths already fixed (RunStartup): the window's load step, then
// the tree built and labelled, the root selected. `show` false leaves the
// window hidden (tests).
std::unique_ptr<MainWindow> ShowMainWindow(AppState& state, Prompter* prompter = nullptr, bool show = true);

// The same, fixing DataFolder and the data paths first: `commandLine` is the
// whole command line, taken as one text; `readRegistry` gives Eudora's
// registry value. ProgramFolder and IniPath must be set.
std::unique_ptr<MainWindow> StartMainWindow(AppState& state, const std::string& commandLine,
                                          const std::function<std::string()>& readRegistry, Prompter* prompter = nullptr,
                                          bool show = true);

}  // namespace ledgerly::ui
