#pragma once
// What the attachment commands share: the global paths without touching the
// data folder (these commands only read it unless told to change a file).
#include <filesystem>
#include <string>

#include "app/FileHelpers.h"
#include "app/Platform.h"
#include "app/StartupPaths.h"
#include "app/TextHelpers.h"
#include "cli/Cli.h"

namespace ledgerly::cli {

// Fixes DataFolder, EudoraIniPath and IniPath from --data-folder, else from
// `fallback` (a folder of the store), else Eudora's registry entry.
inline void ResolveAttachmentPaths(Env& env, const std::string& fallback) {
    env.state.paths.ProgramFolder = ProgramFolder();
    env.state.paths.IniPath = DefaultIniPath(env.state.paths.ProgramFolder);
    const std::string candidate = env.dataFolderOption.empty() ? fallback : env.dataFolderOption;
    FindDataFolder(env.state.paths, candidate, [] { return RegReadString(kEudoraCommandLineKey, kEudoraCommandLineValue); });
}

// The data folder a mailbox belongs to: the nearest folder above it whose
// name does not end in ".fol".
inline std::string StoreFolderOf(const std::string& mbxPath) {
    std::error_code ec;
    std::filesystem::path p = std::filesystem::absolute(FsPath(mbxPath), ec).parent_path();
    while (p.has_parent_path() && p != p.parent_path()) {
        const std::string name = PathText(p.filename());
        if (name.size() < 4 || !EqualsNoCase(name.substr(name.size() - 4), ".fol")) break;
        p = p.parent_path();
    }
    return WithTrailingSeparator(PathText(p));
}

}  // namespace ledgerly::cli
