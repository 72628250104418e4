// "&Export To" › the third entry: the mail export for other mail programs
// (mbox, Maildir, EML) of the whole tree or the selected mailbox.
#include "ui/CommandRegistry.h"
#include "ui/ExportMailDialog.h"
#include "ui/MainWindowApi.h"

namespace ledgerly::ui {
namespace {

void ExportMail(MainWindowApi& main) {
    if (main.treeEmpty()) return;
    ExportMailDialog::Open(main);
}

const CommandRegistrar mail("menuExportOutlook", &ExportMail);

}  // namespace
}  // namespace ledgerly::ui
