#include "app/Startup.h"

#include <filesystem>

#include "app/FieldDecoder.h"
#include "app/FileHelpers.h"
#include "app/StartupPaths.h"

namespace ledgerly {

std::string JoinCommandLine(int argc, const char* const* argv) {
    std::string line;
    for (int i = 1; i < argc; ++i) {
        if (i > 1) line.push_back(' ');
        line += argv[i];
    }
    return line;
}

StartupOutcome RunStartup(AppState& state, std::string_view commandLine, const StartupOptions& options) {
    StartupOutcome out;
    const std::string folder = options.programFolder.empty() ? ProgramFolder() : WithTrailingSeparator(options.programFolder);
    if (!FileExists(DecoderLibraryPath(folder))) {
        out.why = "The decoder library '" + DecoderLibraryPath(folder) + "' is missing.";
        out.decoderMissing = true;
        return out;
    }
    if (options.changeDirectory) {
        std::error_code ec;
        std::filesystem::current_path(FsPath(folder), ec);
    }
    state.paths.ProgramFolder = folder;
    state.paths.IniPath = DefaultIniPath(folder);
    if (!options.lockName.empty()) {
        out.lock = AcquireInstanceLock(options.lockName);
        if (!out.lock) {
            out.why = "Another instance is running.";
            return out;
        }
    }
    const auto registry = options.readRegistry ? options.readRegistry
                                               : std::function<std::string()>([] { return RegReadString(kEudoraCommandLineKey, kEudoraCommandLineValue); });
    FindDataFolder(state.paths, commandLine, registry, options.winePrefix);
    if (state.paths.DataFolder.empty()) {
        // No data folder: the history files and the Nickname folder go beside the program.
        GlobalPaths beside = state.paths;
        beside.DataFolder = folder;
        SetDataPaths(beside);
        state.paths.LinkHistoryPath = beside.LinkHistoryPath;
        state.paths.AddressHistoryPath = beside.AddressHistoryPath;
        state.paths.NicknameFolder = beside.NicknameFolder;
    } else {
        SetDataPaths(state.paths);
    }
    out.proceed = true;
    return out;
}

}  // namespace ledgerly
