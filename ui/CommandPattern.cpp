#include "ui/CommandPattern.h"

#include "app/Messages.h"
#include "ui/MainWindowApi.h"
#include "ui/Prompter.h"

namespace ledgerly::ui {

bool CheckMailboxCommand(MainWindowApi& main, FileChecks files, bool refuseWhileEudoraRuns) {
    if (main.treeEmpty()) return false;
    if (auto refusal = CheckSelection(main.selectedKey(), files, refuseWhileEudoraRuns, main.host())) {
        main.prompter().information(main.window(), QString::fromUtf8(refusal->c_str()), QString::fromUtf8(msg::kTitle), true);
        return false;
    }
    return true;
}

void RunMailboxCommand(MainWindowApi& main, FileChecks files, bool refuseWhileEudoraRuns, const std::function<void(ToolRun&)>& tool) {
    if (!CheckMailboxCommand(main, files, refuseWhileEudoraRuns)) return;
    const std::string key = main.selectedKey();
    ToolContext context{main.state(), main.host()};
    ToolRun run{context, key};
    main.setBusy(true);
    tool(run);
    main.setBusy(false);
    if (run.leaveReady) main.setStatus(QString::fromUtf8(msg::kReady));
}

}  // namespace ledgerly::ui
