#pragma once
// Example scripts for a data folder's Scripts folder: each takes the mailbox
// file and a backup of it as its two arguments.
#include <string>

#include "app/Result.h"

namespace ledgerly {

// Writes compare-messages.tcl and list-subjects.pl into the folder (created
// when missing). Existing files of those names are left alone.
Status WriteExampleScripts(const std::string& scriptsFolder);

}  // namespace ledgerly
