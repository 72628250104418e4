// Column alignment and the script runner.
#include "app/Messages.h"
#include "body/ScriptRunner.h"
#include "ui/CommandRegistry.h"
#include "ui/MainWindowApi.h"
#include "ui/Prompter.h"
#include "ui/AlignColumnsDialog.h"
#include "ui/RunScriptDialog.h"

namespace ledgerly::ui {
namespace {

void AlignColumns(MainWindowApi& main) {
    if (main.treeEmpty()) return;
    AlignColumnsDialog window(main, main.selectedKey(), main.selectedText());
    window.exec();
    main.setStatus(QString::fromUtf8(msg::kReady));
}

void RunScript(MainWindowApi& main) {
    if (main.treeEmpty()) return;
    const std::string key = main.selectedKey();
    for (const std::string& question : ProceedAnywayQuestions(key))
        if (!main.prompter().question(main.window(), QString::fromUtf8(question.c_str()),
                                      QString::fromUtf8(kConfirmationTitle.data(), kConfirmationTitle.size())))
            return;
    RunScriptDialog window(main, key, main.selectedText());
    window.exec();
}

const CommandRegistrar alignColumns("menuAlignColumns", &AlignColumns);
const CommandRegistrar runScript("menuRunScript", &RunScript);

}  // namespace
}  // namespace ledgerly::ui
