#pragma once
// State the tools share for the life of the program. Each front end owns one
// AppState and passes it in; nothing here is a mutable global.
#include <cstdint>
#include <string>

namespace ledgerly {

struct GlobalPaths {
    std::string ProgramFolder;       // folder of the running program, ending in the separator
    std::string IniPath;             // our own settings file
    std::string DataFolder;          // Eudora's data folder, ending in the separator; empty when none
    std::string EudoraIniPath;       // Eudora's own settings file; empty when the folder came from the command line
    std::string LinkHistoryPath;     // DataFolder + "LinkHistory.dat"
    std::string AddressHistoryPath;  // DataFolder + "History.lst"
    std::string NicknameFolder;      // DataFolder + "Nickname" + separator
};

// The progress protocol between a long search and the progress window.
struct ProgressState {
    bool ProgressShown = false;  // the window is in use; cleared when it closes
    bool StopSearch = false;     // set by the window's Stop button
    std::int32_t ProgressValue = 0;
    std::int32_t ProgressMax = 0;
    std::string Info;            // the window's one line of text (UTF-8)
};

struct AppState {
    GlobalPaths paths;
    std::string TocBackupPath;  // the last backup made of a .toc file
    std::string MbxBackupPath;  // the last backup made of a .mbx file
    ProgressState progress;
    bool FlaggingToolsShown = false;
    bool SpecialToolsShown = false;
    bool MiningToolsShown = false;
};

}  // namespace ledgerly
