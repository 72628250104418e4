#include "app/StartupPaths.h"

#include <cstdlib>
#include <filesystem>
#include <vector>

#ifndef _WIN32
#include <unistd.h>
#endif

#include "app/FileHelpers.h"
#include "app/Platform.h"
#include "app/WindowsPaths.h"

namespace ledgerly {
namespace {

// Any existing folder but the root of a file system ('C:\', '/'), which is never a data folder.
bool ValidFolder(const std::string& path) {
    return FolderExists(path) && !FsPath(path).relative_path().empty();
}

std::vector<std::string> SplitAtSpaces(std::string_view text) {
    std::vector<std::string> parts;
    std::size_t pos = 0;
    for (;;) {
        const std::size_t at = text.find(' ', pos);
        parts.emplace_back(text.substr(pos, at == std::string_view::npos ? std::string_view::npos : at - pos));
        if (at == std::string_view::npos) break;
        pos = at + 1;
    }
    return parts;
}

}  // namespace

std::string DefaultIniPath(const std::string& programFolder) {
#ifndef _WIN32
    if (::access(programFolder.c_str(), W_OK) == 0) return programFolder + "Ledgerly.ini";
    std::string base;
    if (const char* xdg = std::getenv("XDG_CONFIG_HOME"); xdg && *xdg) base = xdg;
    else if (const char* home = std::getenv("HOME"); home && *home) base = std::string(home) + "/.config";
    else return programFolder + "Ledgerly.ini";
    return base + "/Ledgerly/Ledgerly.ini";  // the folder is made with the file
#else
    return programFolder + "Ledgerly.ini";
#endif
}

std::string MapRegistryPath(std::string_view windowsPath, const std::optional<std::string>& winePrefix) {
#ifdef _WIN32
    (void)winePrefix;
    return std::string(windowsPath);
#else
    if (!IsWindowsPath(windowsPath)) return std::string(windowsPath);
    const std::string prefix = winePrefix ? *winePrefix : DefaultWinePrefix();
    std::error_code ec;
    if (prefix.empty() || !std::filesystem::is_directory(FsPath(prefix) / "dosdevices", ec))
        return std::string(windowsPath);
    const PathMapper mapper(std::string(), prefix);
    if (auto local = mapper.ToLocal(windowsPath)) return *local;
    return std::string(windowsPath);
#endif
}

void FindDataFolder(GlobalPaths& paths, std::string_view candidate, const std::function<std::string()>& readRegistry,
                    const std::optional<std::string>& winePrefix) {
    paths.DataFolder = WithTrailingSeparator(candidate);
    if (ValidFolder(paths.DataFolder)) return;
    const std::vector<std::string> parts = SplitAtSpaces(readRegistry ? readRegistry() : std::string());
    if (parts.size() == 3) {
        paths.DataFolder = WithTrailingSeparator(MapRegistryPath(parts[1], winePrefix));
        paths.EudoraIniPath = MapRegistryPath(parts[2], winePrefix);
    } else {
        paths.DataFolder.clear();
    }
    if (!ValidFolder(paths.DataFolder)) paths.DataFolder.clear();
}

void SetDataPaths(GlobalPaths& paths) {
    paths.LinkHistoryPath = paths.DataFolder + "LinkHistory.dat";
    paths.AddressHistoryPath = paths.DataFolder + "History.lst";
    paths.NicknameFolder = paths.DataFolder + "Nickname" + kPathSeparator;
}

}  // namespace ledgerly
