#include "attachments/AttachmentFolders.h"

#include "app/FileHelpers.h"
#include "app/IniFile.h"

namespace ledgerly {
namespace {

std::string AttachInDataFolder(const AppState& state) {
    if (state.paths.DataFolder.empty()) return {};
    return WithTrailingSeparator(state.paths.DataFolder) + "attach" + kPathSeparator;
}

std::string ReadOurFolder(const AppState& state, const PathMapper& mapper) {
    const std::string value = ReadIni("Settings", kAttachmentsDirKey, AttachInDataFolder(state), state.paths.IniPath);
    return value.empty() ? value : LocalFolderOf(value, mapper);
}

std::string ReadEudoraFolder(const AppState& state, const PathMapper& mapper) {
    const std::string value = ReadIni("Settings", kEudoraAttachmentsKey, "", state.paths.EudoraIniPath);
    return value.empty() ? value : LocalFolderOf(value, mapper);
}

}  // namespace

std::string LocalFolderOf(const std::string& path, const PathMapper& mapper) {
    if (!IsWindowsPath(path)) return path;
    auto local = mapper.ToLocal(path);
    return local ? *local : path;
}

std::vector<std::string> InitialSearchFolders(const AppState& state, const PathMapper& mapper) {
    if (state.paths.EudoraIniPath.empty() || !FileExists(state.paths.EudoraIniPath)) {
        const std::string ours = ReadOurFolder(state, mapper);
        if (!ours.empty() && FolderExists(ours)) return {WithTrailingSeparator(ours)};
        const std::string attach = AttachInDataFolder(state);
        if (!attach.empty() && FolderExists(attach)) return {attach};
        return {};
    }
    const std::string eudora = ReadEudoraFolder(state, mapper);
    if (!eudora.empty() && FolderExists(eudora)) return {WithTrailingSeparator(eudora)};
    return {};
}

AttachmentFolderChoice InitialAttachmentFolder(const AppState& state, const PathMapper& mapper) {
    AttachmentFolderChoice choice;
    choice.remembered = ReadOurFolder(state, mapper);
    if (!choice.remembered.empty() && FolderExists(choice.remembered)) {
        choice.shown = choice.remembered;
        return choice;
    }
    const std::string attach = AttachInDataFolder(state);
    if (!attach.empty() && FolderExists(attach)) {
        choice.shown = attach;
        return choice;
    }
    if (!state.paths.EudoraIniPath.empty() && FileExists(state.paths.EudoraIniPath)) {
        choice.remembered = ReadEudoraFolder(state, mapper);
        if (!choice.remembered.empty() && FolderExists(choice.remembered)) choice.shown = choice.remembered;
    }
    return choice;
}

std::string SaveAttachmentFolder(const AppState& state, const std::string& shown, const std::string& remembered) {
    std::string value;
    if (!shown.empty() && FolderExists(shown)) value = shown;
    else if (!remembered.empty() && FolderExists(remembered)) value = remembered;
    if (value.empty() || state.paths.IniPath.empty()) return {};
    return WriteIni("Settings", kAttachmentsDirKey, value, state.paths.IniPath) ? value : std::string();
}

}  // namespace ledgerly
