#pragma once
// The start-up of the desktop program up to its window: the decoder library
// beside the program, the single-instance lock, the settings file, the data
// folder and the global paths. The window (tree, menus) is the front end's.
#include <functional>
#include <memory>
#include <optional>
#include <string>
#include <string_view>

#include "app/AppState.h"
#include "app/Platform.h"

namespace ledgerly {

struct StartupOptions {
    std::string programFolder;                  // empty: the running program's folder
    std::string lockName = "ledgerly";          // name of the single-instance lock; empty: none is taken
    bool changeDirectory = true;                // make the program's folder the current directory
    std::function<std::string()> readRegistry;  // empty: Eudora's registry entry (RegReadString)
    std::optional<std::string> winePrefix;      // nullopt: DefaultWinePrefix()
};

struct StartupOutcome {
    // False when the program ends at once, with no message: the decoder library
    // is missing beside the program, or another instance runs.
    bool proceed = false;
    bool decoderMissing = false;         // which of the two stopped it
    std::unique_ptr<InstanceLock> lock;  // keep it for the life of the program
    std::string why;                     // for logs and tests only; never shown
};

// The whole command line as one text: the arguments joined by single spaces
// (no quotes removed, nothing split further).
std::string JoinCommandLine(int argc, const char* const* argv);

// Fixes state.paths: ProgramFolder, IniPath, DataFolder (from the command line,
// else the registry; empty when neither gives a folder), EudoraIniPath,
// LinkHistoryPath, AddressHistoryPath, NicknameFolder (created when missing,
// beside the program when there is no data folder).
StartupOutcome RunStartup(AppState& state, std::string_view commandLine, const StartupOptions& options = {});

}  // namespace ledgerly
