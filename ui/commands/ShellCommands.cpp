// Column alignment and the script runner.
#include "app/FileHelpers.h"
#include "app/Messages.h"
#include "store/Mailbox.h"
#include "ui/CommandRegistry.h"
#include "ui/MainWindowApi.h"
#include "ui/Prompter.h"
#include "ui/prozorF.h"
#include "ui/scripterF.h"

namespace ledgerly::ui {
namespace {

void AlignColumns(MainWindowApi& main) {
    if (main.treeEmpty()) return;
    prozorF window(main, main.selectedKey(), main.selectedText());
    window.exec();
    main.setStatus(QString::fromUtf8(msg::kReady));
}

void RunScript(MainWindowApi& main) {
    if (main.treeEmpty()) return;
    const std::string key = main.selectedKey();
    const QString caption = QStringLiteral("Confirmation");
    if (!FileExists(key) &&
        !main.prompter().question(main.window(), QStringLiteral("'%1' not found.\r\nProceed anyway?").arg(QString::fromUtf8(key.c_str())), caption))
        return;
    if (key.size() >= 3) {
        const std::string toc = MailboxPair::FromMailboxPath(key).toc();
        if (!FileExists(toc) &&
            !main.prompter().question(main.window(), QStringLiteral("'%1toc' not found.\r\nProceed anyway?")
                                                         .arg(QString::fromUtf8(toc.substr(0, toc.size() - 3).c_str())),
                                      caption))
            return;
    }
    scripterF window(main, key, main.selectedText());
    window.exec();
}

const CommandRegistrar alignColumns("menuAlignColumns", &AlignColumns);
const CommandRegistrar runScript("menuRunScript", &RunScript);

}  // namespace
}  // namespace ledgerly::ui
