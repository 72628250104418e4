#pragma once
// Finding Eudora's data folder and fixing the global paths at start-up.
#include <functional>
#include <optional>
#include <string>
#include <string_view>

#include "app/AppState.h"

namespace ledgerly {

// The registry value Eudora keeps of its own command line.
inline constexpr const char* kEudoraCommandLineKey = "Software\\Qualcomm\\Eudora\\CommandLine";
inline constexpr const char* kEudoraCommandLineValue = "Current";

// Where our own settings file lives: beside the program when that folder is
// writable, else $XDG_CONFIG_HOME/Ledgerly/Ledgerly.ini. Nothing is created:
// the first write makes the file (and its folder).
std::string DefaultIniPath(const std::string& programFolder);

// Steps of start-up that fix DataFolder and EudoraIniPath: the candidate is
// taken whole (no quotes removed, nothing split), a separator appended; when
// it is not a valid folder, the registry value is cut at every single space
// and, with exactly three parts, gives the data folder (second part) and
// Eudora's settings file (third part). `readRegistry` returns the value or
// kNoRegistryValue. DataFolder is empty when neither source gives a folder.
// The registry's Windows paths are mapped through `winePrefix` (the prefix
// whose user.reg was read; nullopt: DefaultWinePrefix()).
void FindDataFolder(GlobalPaths& paths, std::string_view candidate,
                    const std::function<std::string()>& readRegistry,
                    const std::optional<std::string>& winePrefix = std::nullopt);

// Sets LinkHistoryPath, AddressHistoryPath and NicknameFolder from DataFolder.
// The Nickname folder is made by the command that first writes into it.
void SetDataPaths(GlobalPaths& paths);

// Maps a path read from the registry (a Windows path under Wine, often in its
// short 8.3 form: 'C:\EUDORA~1\') to a local one through the prefix's
// dosdevices links; the identity where no mapping applies (no prefix, not a
// Windows path, a drive without a link). nullopt prefix: DefaultWinePrefix().
std::string MapRegistryPath(std::string_view windowsPath, const std::optional<std::string>& winePrefix = std::nullopt);

}  // namespace ledgerly
