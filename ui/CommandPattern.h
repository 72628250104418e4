#pragma once
// The frame every mailbox command shares: nothing on an empty tree; the file
// checks in the command's own order and the Eudora refusal, each answered with
// its information box; then the hourglass, the tool, the normal pointer and
// "Ready" (unless the tool left its own closing text).
#include <functional>
#include <string>

#include "app/CommandChecks.h"
#include "app/Host.h"

namespace ledgerly::ui {

class MainWindowApi;

// False when the command must not run (empty tree, or a check refused it and
// its box was shown).
bool CheckMailboxCommand(MainWindowApi& main, FileChecks files, bool refuseWhileEudoraRuns);

struct ToolRun {
    ToolContext& context;
    const std::string& key;  // the selected mailbox file's path
    bool leaveReady = true;  // set false to keep the tool's own status text
};

// Checks, then runs `tool` with the hourglass showing.
void RunMailboxCommand(MainWindowApi& main, FileChecks files, bool refuseWhileEudoraRuns,
                       const std::function<void(ToolRun&)>& tool);

}  // namespace ledgerly::ui
