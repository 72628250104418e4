// "&Export To": "&Files" opens the export window, "&Readers Digest" writes the
// mailbox as one HTML page (the third entry: ExportMailCommand.cpp).
#include "app/CommandChecks.h"
#include "app/FileHelpers.h"
#include "export/ReadersDigest.h"
#include "ui/CommandPattern.h"
#include "ui/CommandRegistry.h"
#include "ui/ExportFilesDialog.h"
#include "ui/MainWindowApi.h"
#include "ui/Prompter.h"

namespace ledgerly::ui {
namespace {

void ExportFiles(MainWindowApi& main) {
    if (!CheckMailboxCommand(main, FileChecks::TocThenMbx, false)) return;
    ExportFilesDialog::Open(main, main.selectedKey());
}

// The page is written under a temporary name and put in place at the end: a
// Stop leaves no half page behind.
void ExportReadersDigest(MainWindowApi& main) {
    const MailboxCommand command{"menuExportReadersDigest", "Export to Readers Digest", FileChecks::TocThenMbx, false, Change::None,
                                 StopMode::Abandon};
    if (!CheckMailboxCommand(main, command.files, command.refuseWhileEudoraRuns)) return;
    const std::string key = main.selectedKey();
    const QString proposed = QString::fromStdString(GetFileName(key, true));
    const QString chosen = main.prompter().saveFile(main.window(), QStringLiteral("HTML File (*.html)"), proposed);
    if (chosen.isEmpty()) return;
    StartTool(main, command, key, [out = chosen.toStdString()](ToolContext& c, const std::string& k) {
        auto written = ::ledgerly::ExportReadersDigest(c, k, out);
        if (!written) return ToolOutcome{written.error(), {}, {}};
        return ToolOutcome{{}, DigestStatusText(written->written), written->SkippedReport()};
    });
}

const CommandRegistrar files("menuExportFiles", &ExportFiles);
const CommandRegistrar digest("menuExportReadersDigest", &ExportReadersDigest);

}  // namespace
}  // namespace ledgerly::ui
