#pragma once
// The program's fixed texts. They are shown exactly as written here.

namespace ledgerly::msg {

inline constexpr const char* kTitle = "Ledgerly";
inline constexpr const char* kDone = "Done. Operation was successful. Backup files created.";  // 101
inline constexpr const char* kReadyDot = "Ready.";                                           // 102
inline constexpr const char* kCloseEudora = "Please close Eudora before performing this action.";  // 103
inline constexpr const char* kReady = "Ready";
inline constexpr const char* kMbxNotFound = "MBX-file not found.";
inline constexpr const char* kTocNotFound = "TOC-file not found.";
inline constexpr const char* kTocNotFoundForAdd = "Corresponding TOC-File Not Found.";
inline constexpr const char* kEudoraTitlePrefix = "Eudora";
// A run the user stopped; the pair is left as it was ("Nothing was changed."
// and the backups made follow).
inline constexpr const char* kStopped = "Stopped.";
// A run that could not get the memory it needed (a message too large for
// this machine). Mailbox pairs are only ever replaced by a finished run.
inline constexpr const char* kOutOfMemory =
    "Not enough memory to finish: the command stopped. A mailbox is only replaced by a finished run, so it was left as it was.";

}  // namespace ledgerly::msg
