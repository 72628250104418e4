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

void RebuildTocOfSelection(MainWindowApi& main) {
    if (main.treeEmpty() || !IsMailboxKey(main.selectedKey())) return;
    if (!CheckMailboxCommand(main, FileChecks::MbxOnly, true)) return;
    if (Status bound = FieldDecoder::Default().Bind(); !bound) {
        Inform(main, bound.error());
        return;
    }
    ToolContext context{main.state(), main.host()};
    main.setBusy(true);
    main.lockForTool(false);
    auto report = RebuildToc(context, main.selectedKey(), false);
    main.unlockAfterTool(false);
    main.setBusy(false);
    if (!report) {
        main.setStatus(Q(msg::kReady));
        Inform(main, report.error());
        return;
    }
    if (report->declined) {
        main.setStatus(Q(msg::kReady));
        return;
    }
    std::string text = report->recovered;
    for (const std::string& line : report->Lines(20)) text += (text.empty() ? "" : "\r\n") + line;
    main.setStatus(Q(report->written ? msg::kDone : msg::kReady));
    Inform(main, text);
}

const CommandRegistrar regRebuildToc("menuRebuildToc", &RebuildTocOfSelection);

}  // namespace
}  // namespace ledgerly::ui
