// Menu commands of the body tools: strip HTML, decode quoted-printable, the
// encryption submenu, backup and delimiter repair. The Special Tools palette's
// buttons run the same handlers.
#include <QString>

#include "app/FileHelpers.h"
#include "app/Messages.h"
#include "body/Delimiters.h"
#include "body/RewriteBodies.h"
#include "ui/CommandPattern.h"
#include "ui/CommandRegistry.h"
#include "ui/MainWindowApi.h"
#include "ui/Prompter.h"

namespace ledgerly::ui {
namespace {

QString Q(std::string_view utf8) { return QString::fromUtf8(utf8.data(), static_cast<qsizetype>(utf8.size())); }

void Inform(MainWindowApi& main, std::string_view text, bool withIcon = true) {
    main.prompter().information(main.window(), Q(text), Q(msg::kTitle), withIcon);
}

// The pauses of a run keep the window live, and a palette button may be
// clicked during one: a second body command must not start on top of it.
bool running = false;
struct RunningGuard {
    RunningGuard() { running = true; }
    ~RunningGuard() { running = false; }
};

void RunRewrite(MainWindowApi& main, RewriteMode mode) {
    if (running) return;
    const RunningGuard guard;
    if (!CheckMailboxCommand(main, FileChecks::TocThenMbx, false)) return;
    if (main.host().EudoraRunning()) {
        Inform(main, msg::kCloseEudora);
        main.setStatus(Q(msg::kReady));
        return;
    }
    const std::string key = main.selectedKey();
    ToolContext context{main.state(), main.host()};
    main.setBusy(true);
    main.lockForTool(false);
    auto result = RewriteBodies(context, key, mode);
    main.unlockAfterTool(false);
    main.setBusy(false);
    if (!result) {
        main.setStatus(Q(msg::kReady));
        Inform(main, result.error());
        return;
    }
    main.setStatus(Q(result->ClosingText()));
    if (!result->recovered.empty()) Inform(main, result->recovered);
}

void StripHtmlTags(MainWindowApi& main) { RunRewrite(main, RewriteMode::StripHtml); }
void DecodeQuotedPrintableBodies(MainWindowApi& main) { RunRewrite(main, RewriteMode::DecodeQuotedPrintable); }
void Rot13Bodies(MainWindowApi& main) { RunRewrite(main, RewriteMode::Rot13); }
void Cipher(MainWindowApi& main) { RunRewrite(main, RewriteMode::Cipher); }
void Decipher(MainWindowApi& main) { RunRewrite(main, RewriteMode::Decipher); }

void CreateBackupOfPair(MainWindowApi& main) {
    if (running || main.treeEmpty()) return;
    const RunningGuard guard;
    const std::string key = main.selectedKey();
    if (!main.prompter().question(main.window(), Q(BackupQuestion(key)), Q(msg::kTitle))) return;
    main.setBusy(true);
    const BackupReport report = BackupMailboxPair(main.state(), key);
    main.setBusy(false);
    Inform(main, report.text, report.failed);
}

void FixLastTag(MainWindowApi& main) {
    if (running) return;
    const RunningGuard guard;
    if (!CheckMailboxCommand(main, FileChecks::MbxOnly, false)) return;
    const std::string key = main.selectedKey();
    main.setBusy(true);
    if (main.host().EudoraRunning()) {
        main.setBusy(false);
        Inform(main, msg::kCloseEudora);
        return;
    }
    ToolContext context{main.state(), main.host()};
    auto result = RepairMessageDelimiters(context, key);
    main.setBusy(false);
    if (!result) {
        main.setStatus(Q(msg::kReady));
        Inform(main, result.error());
        return;
    }
    if (result->declined) return;
    main.setStatus(Q(msg::kDone));
    // What else the repair did: an earlier run finished, a TOC that did not agree deleted all the same.
    if (!result->recovered.empty() || !result->tocDisagreed.empty()) Inform(main, result->ClosingText());
}

const CommandRegistrar regStrip("menuStripHTMLTags", &StripHtmlTags);
const CommandRegistrar regQp("menuDecodeQP", &DecodeQuotedPrintableBodies);
const CommandRegistrar regRot13("menuROT13", &Rot13Bodies);
const CommandRegistrar regCipher("menuCipher", &Cipher);
const CommandRegistrar regDecipher("menuDecipher", &Decipher);
const CommandRegistrar regBackup("menuCreateBackup", &CreateBackupOfPair);
const CommandRegistrar regFixLastTag("menuFixLastTag", &FixLastTag);

}  // namespace
}  // namespace ledgerly::ui
