#pragma once
// Finding Eudora's data folder and fixing the global paths at start-up.
#include <functional>
#include <string>
#include <string_view>

#include "app/AppState.h"

namespace ledgerly {

// The registry value Eudora keeps of its own command line.
inline constexpr const char* kEudoraCommandLineKey = "Software\\Qualcomm\\Eudora\\CommandLine";
inline constexpr const char* kEudoraCommandLineValue = "Current";

// Where our own settings file lives: beside the program when that folder is
// writable, else $XDG_CONFIG_HOME/Ledgerly/Ledgerly.ini.
std::string DefaultIniPath(const std::string& programFolder);

// Steps of start-up that fix DataFolder and EudoraIniPath: the candidate is
// taken whole (no quotes removed, nothing split), a separator appended; when
// it is not a valid folder, the registry value is cut at every single space
// and, with exactly three parts, gives the data folder (second part) and
// Eudora's settings file (third part). `readRegistry` returns the value or
// kNoRegistryValue. DataFolder is empty when neither source gives a folder.
void FindDataFolder(GlobalPaths& paths, std::string_view candidate,
                    const std::function<std::string()>& readRegistry);

// Sets LinkHistoryPath, AddressHistoryPath and NicknameFolder from DataFolder,
// creating the Nickname folder when it is missing.
void SetDataPaths(GlobalPaths& paths);

// Maps a path read from the registry (a Windows path under Wine) to a local
// one; the identity where no mapping applies.
std::string MapRegistryPath(std::string_view windowsPath);

}  // namespace ledgerly
