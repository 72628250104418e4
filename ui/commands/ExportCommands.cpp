// "&Export To": "&Files" opens the export window, "&Readers Digest" writes the
// mailbox as one HTML page (the third entry: ExportMailCommand.cpp).
#include "app/CommandChecks.h"
#include "app/FileHelpers.h"
#include "export/ReadersDigest.h"
#include "ui/CommandPattern.h"
#include "ui/CommandRegistry.h"
#include "ui/MainWindowApi.h"
#include "ui/Prompter.h"
#include "ui/izvozF.h"

namespace ledgerly::ui {
namespace {

void ExportFiles(MainWindowApi& main) {
    if (!CheckMailboxCommand(main, FileChecks::TocThenMbx, false)) return;
    izvozF::Open(main, main.selectedKey());
}

void ExportReadersDigest(MainWindowApi& main) {
    RunMailboxCommand(main, FileChecks::TocThenMbx, false, [&main](ToolRun& run) {
        run.leaveReady = false;
        const QString proposed = QString::fromStdString(GetFileName(run.key, true));
        const QString chosen = main.prompter().saveFile(main.window(), QStringLiteral("HTML File (*.html)"), proposed);
        if (chosen.isEmpty()) return;
        auto written = ::ledgerly::ExportReadersDigest(run.context, run.key, chosen.toStdString());
        if (!written) {
            main.prompter().information(main.window(), QString::fromStdString(written.error()));
            main.setStatus(QStringLiteral("Ready"));
            return;
        }
        main.setStatus(QString::fromStdString(DigestStatusText(written->written)));
        if (const std::string skipped = written->SkippedReport(); !skipped.empty())
            main.prompter().information(main.window(), QString::fromStdString(skipped));
    });
}

const CommandRegistrar files("menuExportFiles", &ExportFiles);
const CommandRegistrar digest("menuExportReadersDigest", &ExportReadersDigest);

}  // namespace
}  // namespace ledgerly::ui
