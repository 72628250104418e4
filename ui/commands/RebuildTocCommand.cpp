// "&Mailboxes" > "Rebuild &TOC...": a new TOC file for the selected mailbox,
// built from its messages, keeping every state the old TOC still holds. The
// tool asks first (with what it will keep, add and drop), shows the number of
// each message as it goes, and the report at the end.
#include <QString>

#include "app/FieldDecoder.h"
#include "app/Messages.h"
#include "flagging/TocRebuild.h"
#include "store/Mailbox.h"
#include "ui/CommandPattern.h"
#include "ui/CommandRegistry.h"
#include "ui/MainWindowApi.h"
#include "ui/Prompter.h"

namespace ledgerly::ui {
namespace {

QString Q(std::string_view utf8) { return QString::fromUtf8(utf8.data(), static_cast<qsizetype>(utf8.size())); }

void Inform(MainWindowApi& main, const std::string& text) { main.prompter().information(main.window(), Q(text), Q(msg::kTitle), true); }

// The tool asks its own question (it names the mailbox, its backups and what
// is kept, added and dropped) from the worker thread once it has read both files.
void RebuildTocOfSelection(MainWindowApi& main) {
    if (main.treeEmpty() || !IsMailboxKey(main.selectedKey())) return;
    const MailboxCommand command{"menuRebuildToc", "Rebuild TOC", FileChecks::MbxOnly, true, Change::None};
    if (!CheckMailboxCommand(main, command.files, command.refuseWhileEudoraRuns)) return;
    if (Status bound = FieldDecoder::Default().Bind(); !bound) {
        Inform(main, bound.error());
        return;
    }
    StartTool(main, command, main.selectedKey(), [](ToolContext& c, const std::string& key) {
        auto report = RebuildToc(c, key, false);
        if (!report) return ToolOutcome{report.error(), {}, {}};
        if (report->declined) return ToolOutcome{};
        std::string text = report->recovered;
        for (const std::string& line : report->Lines(20)) text += (text.empty() ? "" : "\r\n") + line;
        return ToolOutcome{{}, report->written ? msg::kDone : std::string(), text};
    });
}

const CommandRegistrar regRebuildToc("menuRebuildToc", &RebuildTocOfSelection);

}  // namespace
}  // namespace ledgerly::ui
