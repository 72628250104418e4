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

ToolOutcome FromStatus(const Status& done) { return ToolOutcome{done.ok() ? std::string() : done.error(), {}, {}}; }

void RunUpdate(MainWindowApi& main, const MailboxCommand& command, const RefreshSelectors& selectors) {
    if (!CheckMailboxCommand(main, command.files, command.refuseWhileEudoraRuns)) return;
    if (selectors.Decodes() && !DecoderReady(main)) return;
    const std::string key = main.selectedKey();
    if (!ConfirmChange(main, command.control, ChangeQuestion(command, key))) return;
    StartTool(main, command, key, [selectors](ToolContext& c, const std::string& k) {
        return FromStatus(UpdateTocFields(c, PairPathOf(k), selectors));
    });
}

MailboxCommand UpdateCommand(const char* control, const char* title) {
    return {control, title, FileChecks::TocThenMbx, true, Change::SummariesInPlace};
}

RefreshSelectors One(bool RefreshSelectors::*group) {
    RefreshSelectors s;
    s.*group = true;
    return s;
}

void UpdateSR(MainWindowApi& main) {
    RunUpdate(main, UpdateCommand("menuUpdateSR", "Update Sent / Received Status"), One(&RefreshSelectors::sentReceived));
}
void UpdatePriority(MainWindowApi& main) { RunUpdate(main, UpdateCommand("menuUpdatePriority", "Update Priority"), One(&RefreshSelectors::priority)); }
void UpdateAttachment(MainWindowApi& main) {
    RunUpdate(main, UpdateCommand("menuUpdateAttachment", "Update Attachment"), One(&RefreshSelectors::attachment));
}
void UpdateDate(MainWindowApi& main) { RunUpdate(main, UpdateCommand("menuUpdateDate", "Update Date"), One(&RefreshSelectors::date)); }
void UpdateSubject(MainWindowApi& main) { RunUpdate(main, UpdateCommand("menuUpdateSubject", "Update Subject"), One(&RefreshSelectors::subject)); }
void UpdateWho(MainWindowApi& main) { RunUpdate(main, UpdateCommand("menuUpdateWho", "Update Who"), One(&RefreshSelectors::whoDecoding)); }
void UpdateAll(MainWindowApi& main) { RunUpdate(main, UpdateCommand("menuUpdateAll", "Update All Fields"), RefreshSelectors::All()); }

void RunMark(MainWindowApi& main, bool sent) {
    // Each mode checks the two files in its own order.
    const MailboxCommand command = sent ? MailboxCommand{"menuMarkAllSent", "Mark All Messages Sent", FileChecks::TocThenMbx, true,
                                                         Change::SummariesInPlace}
                                        : MailboxCommand{"menuMarkAllReceived", "Mark All Messages Received", FileChecks::MbxThenToc,
                                                         true, Change::SummariesInPlace};
    RunMailboxCommand(main, command, [sent](ToolContext& c, const std::string& key) {
        return FromStatus(MarkAllMessages(c, PairPathOf(key), sent));
    });
}

void MarkAllReceived(MainWindowApi& main) { RunMark(main, false); }
void MarkAllSent(MainWindowApi& main) { RunMark(main, true); }

// The search keeps its own Stop: what it found before the Stop is saved.
void RunDuplicates(MainWindowApi& main, bool hash) {
    const MailboxCommand command{hash ? "menuMarkDuplicatesHash" : "menuMarkDuplicatesClassic",
                                 hash ? "Mark Duplicates (Hash)" : "Mark Duplicates (Classic)", FileChecks::TocThenMbx, true,
                                 Change::SummariesInPlace};
    if (!CheckMailboxCommand(main, command.files, command.refuseWhileEudoraRuns)) return;
    DuplicateOptionsDialog options(main.window());
    options.setWindowTitle(hash ? QStringLiteral("Flag Duplicates (Hash)") : QStringLiteral("Flag Duplicates (Classic)"));
    options.exec();
    const std::string key = main.selectedKey();
    if (!options.Proceed || (options.ResetOldFlags && !DecoderReady(main)) ||
        !ConfirmChange(main, command.control, ChangeQuestion(command, key))) {
        main.setStatus(Q(msg::kReady));
        return;
    }
    const bool reset = options.ResetOldFlags;
    const DuplicateOptions chosen = options.options();
    StartTool(main, command, key, [hash, reset, chosen](ToolContext& c, const std::string& k) {
        const std::string pairPath = PairPathOf(k);
        if (reset) {
            RefreshSelectors subjectOnly;
            subjectOnly.subject = true;
            if (Status s = UpdateTocFields(c, pairPath, subjectOnly); !s) return FromStatus(s);
        }
        auto outcome = hash ? FlagDuplicatesHash(c, pairPath, chosen) : FlagDuplicatesClassic(c, pairPath, chosen);
        return FromStatus(outcome.status());
    });
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
