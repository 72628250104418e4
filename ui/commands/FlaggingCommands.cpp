// The flagging commands of the main window ("&Tools" > "&Update" and "&Mark",
// the hidden "&Bonus" > "&Flag Duplicates") and of the Flagging Tools palette.
#include <QString>

#include "app/FieldDecoder.h"
#include "app/Messages.h"
#include "flagging/Duplicates.h"
#include "flagging/SummaryRefresh.h"
#include "store/Mailbox.h"
#include "ui/CommandPattern.h"
#include "ui/CommandRegistry.h"
#include "ui/DuplicateOptionsDialog.h"
#include "ui/MainWindowApi.h"
#include "ui/Prompter.h"

namespace ledgerly::ui {
namespace {

QString Q(std::string_view utf8) { return QString::fromUtf8(utf8.data(), static_cast<qsizetype>(utf8.size())); }

void ShowFailure(MainWindowApi& main, const std::string& message) {
    main.prompter().information(main.window(), Q(message), Q(msg::kTitle), true);
}

std::string PairPathOf(const std::string& key) { return MailboxPair::FromMailboxPath(key).pairPath; }

bool DecoderReady(MainWindowApi& main) {
    const Status bound = FieldDecoder::Default().Bind();
    if (!bound) ShowFailure(main, bound.error());
    return bound.ok();
}

void RunUpdate(MainWindowApi& main, const RefreshSelectors& selectors) {
    RunMailboxCommand(main, FileChecks::TocThenMbx, true, [&](ToolRun& run) {
        if (selectors.Decodes() && !DecoderReady(main)) return;
        const Status done = UpdateTocFields(run.context, PairPathOf(run.key), selectors);
        if (!done) ShowFailure(main, done.error());
    });
}

RefreshSelectors One(bool RefreshSelectors::*group) {
    RefreshSelectors s;
    s.*group = true;
    return s;
}

void UpdateSR(MainWindowApi& main) { RunUpdate(main, One(&RefreshSelectors::sentReceived)); }
void UpdatePriority(MainWindowApi& main) { RunUpdate(main, One(&RefreshSelectors::priority)); }
void UpdateAttachment(MainWindowApi& main) { RunUpdate(main, One(&RefreshSelectors::attachment)); }
void UpdateDate(MainWindowApi& main) { RunUpdate(main, One(&RefreshSelectors::date)); }
void UpdateSubject(MainWindowApi& main) { RunUpdate(main, One(&RefreshSelectors::subject)); }
void UpdateWho(MainWindowApi& main) { RunUpdate(main, One(&RefreshSelectors::whoDecoding)); }
void UpdateAll(MainWindowApi& main) { RunUpdate(main, RefreshSelectors::All()); }

void RunMark(MainWindowApi& main, bool sent) {
    // Each mode checks the two files in its own order.
    RunMailboxCommand(main, sent ? FileChecks::TocThenMbx : FileChecks::MbxThenToc, true, [&](ToolRun& run) {
        const Status done = MarkAllMessages(run.context, PairPathOf(run.key), sent);
        if (!done) ShowFailure(main, done.error());
    });
}

void MarkAllReceived(MainWindowApi& main) { RunMark(main, false); }
void MarkAllSent(MainWindowApi& main) { RunMark(main, true); }

void RunDuplicates(MainWindowApi& main, bool hash) {
    if (!CheckMailboxCommand(main, FileChecks::TocThenMbx, true)) return;
    DuplicateOptionsDialog options(main.window());
    options.setWindowTitle(hash ? QStringLiteral("Flag Duplicates (Hash)") : QStringLiteral("Flag Duplicates (Classic)"));
    options.exec();
    if (!options.Proceed) {
        main.setStatus(Q(msg::kReady));
        return;
    }
    if (options.ResetOldFlags && !DecoderReady(main)) {
        main.setStatus(Q(msg::kReady));
        return;
    }
    const std::string pairPath = PairPathOf(main.selectedKey());
    ToolContext context{main.state(), main.host()};
    main.setBusy(true);
    // The search pauses and keeps the window live: the commands go to the state
    // a selected folder shows (the palettes too), so nothing else starts on this
    // pair before the search has saved its flags.
    main.lockForTool(true);
    Status failed;
    if (options.ResetOldFlags) {
        RefreshSelectors subjectOnly;
        subjectOnly.subject = true;
        failed = UpdateTocFields(context, pairPath, subjectOnly);
    }
    if (failed.ok()) {
        auto outcome = hash ? FlagDuplicatesHash(context, pairPath, options.options())
                            : FlagDuplicatesClassic(context, pairPath, options.options());
        failed = outcome.status();
    }
    main.unlockAfterTool(true);
    main.setBusy(false);
    main.setStatus(Q(msg::kReady));
    if (!failed.ok()) ShowFailure(main, failed.error());
}

void MarkDuplicatesClassic(MainWindowApi& main) { RunDuplicates(main, false); }
void MarkDuplicatesHash(MainWindowApi& main) { RunDuplicates(main, true); }

// The hidden "&Bonus" menu's command runs no search of its own.
void FlagDuplicates(MainWindowApi& main) {
    if (!CheckMailboxCommand(main, FileChecks::TocThenMbx, true)) return;
    main.setStatus(Q(kSearchInProgress));
    main.prompter().information(main.window(), Q(kNoDuplicatesFound), Q(msg::kTitle), false);
    main.setStatus(Q(msg::kReady));
}

const CommandRegistrar regUpdateSR("menuUpdateSR", &UpdateSR);
const CommandRegistrar regUpdatePriority("menuUpdatePriority", &UpdatePriority);
const CommandRegistrar regUpdateAttachment("menuUpdateAttachment", &UpdateAttachment);
const CommandRegistrar regUpdateDate("menuUpdateDate", &UpdateDate);
const CommandRegistrar regUpdateSubject("menuUpdateSubject", &UpdateSubject);
const CommandRegistrar regUpdateWho("menuUpdateWho", &UpdateWho);
const CommandRegistrar regUpdateAll("menuUpdateAll", &UpdateAll);
const CommandRegistrar regMarkReceived("menuMarkAllReceived", &MarkAllReceived);
const CommandRegistrar regMarkSent("menuMarkAllSent", &MarkAllSent);
const CommandRegistrar regDuplicatesClassic("menuMarkDuplicatesClassic", &MarkDuplicatesClassic);
const CommandRegistrar regDuplicatesHash("menuMarkDuplicatesHash", &MarkDuplicatesHash);
const CommandRegistrar regFlagDuplicates("menuFlagDuplicates", &FlagDuplicates);

}  // namespace
}  // namespace ledgerly::ui
