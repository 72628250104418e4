#pragma once
// The checks a command makes on the selected mailbox before its tool runs,
// shared by the desktop program and the command line.
#include <optional>
#include <string>
#include <string_view>

#include "app/Host.h"

namespace ledgerly {

enum class FileChecks {
    MbxThenToc,  // mailbox file, then TOC file
    TocThenMbx,  // TOC file, then mailbox file
    MbxOnly,
    TocOnly,
    None,
};

// The message to show ("MBX-file not found.", "TOC-file not found.",
// "Please close Eudora before performing this action."), or nullopt when the
// tool may run. `key` is the mailbox file's path.
std::optional<std::string> CheckSelection(std::string_view key, FileChecks files, bool refuseWhileEudoraRuns, Host& host);

// The TOC path of a mailbox key: the key less its last three characters +
// "toc", found whatever the case of its extension ('IN.MBX' gives 'IN.TOC').
std::string TocPathOf(std::string_view mbxKey);

}  // namespace ledgerly
