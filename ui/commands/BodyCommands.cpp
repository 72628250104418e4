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
#include "ui/ForwardingHost.h"
#include "ui/MainWindowApi.h"
#include "ui/Prompter.h"

namespace ledgerly::ui {
namespace {

QString Q(std::string_view utf8) { return QString::fromUtf8(utf8.data(), static_cast<qsizetype>(utf8.size())); }

void Inform(MainWindowApi& main, std::string_view text, bool withIcon = true) {
    main.prompter().information(main.window(), Q(text), Q(msg::kTitle), withIcon);
}

void RunRewrite(MainWindowApi& main, const char* control, const char* title, RewriteMode mode) {
    if (!CheckMailboxCommand(main, FileChecks::TocThenMbx, false)) return;
    if (main.host().EudoraRunning()) {
        Inform(main, msg::kCloseEudora);
        main.setStatus(Q(msg::kReady));
        return;
    }
    const MailboxCommand command{control, title, FileChecks::TocThenMbx, false, Change::BodiesWithBackups};
    const std::string key = main.selectedKey();
    if (!ConfirmChange(main, control, ChangeQuestion(command, key))) return;
    StartTool(main, command, key, [mode](ToolContext& c, const std::string& k) {
        auto result = RewriteBodies(c, k, mode);
        if (!result) return ToolOutcome{result.error(), {}, {}};
        return ToolOutcome{{}, result->ClosingText(), result->recovered};
    });
}

void StripHtmlTags(MainWindowApi& main) { RunRewrite(main, "menuStripHTMLTags", "Strip HTML Tags", RewriteMode::StripHtml); }
void DecodeQuotedPrintableBodies(MainWindowApi& main) {
    RunRewrite(main, "menuDecodeQP", "Decode Quoted Printable", RewriteMode::DecodeQuotedPrintable);
}
void Rot13Bodies(MainWindowApi& main) { RunRewrite(main, "menuROT13", "ROT13", RewriteMode::Rot13); }
void Cipher(MainWindowApi& main) { RunRewrite(main, "menuCipher", "Cipher", RewriteMode::Cipher); }
void Decipher(MainWindowApi& main) { RunRewrite(main, "menuDecipher", "Decipher", RewriteMode::Decipher); }

void CreateBackupOfPair(MainWindowApi& main) {
    if (main.treeEmpty() || main.runner().running()) return;
    const std::string key = main.selectedKey();
    if (!main.prompter().question(main.window(), Q(BackupQuestion(key)), Q(msg::kTitle))) return;
    const MailboxCommand command{"menuCreateBackup", "Create Backup", FileChecks::None, false, Change::None};
    auto report = std::make_shared<BackupReport>();
    StartTool(
        main, command, key,
        [report](ToolContext& c, const std::string& k) {
            *report = BackupMailboxPair(c.state, k);
            return ToolOutcome{};
        },
        [&main, report](ToolOutcome&, const ToolRunEnd& end) {
            if (end.Completed()) Inform(main, report->text, report->failed);
        });
}

// Whoever said Yes to the command's question has answered the tool's own
// warning too (the question says that the status information is lost).
class AnsweredHost : public ForwardingHost {
public:
    using ForwardingHost::ForwardingHost;
    bool Ask(std::string_view, std::string_view) override { return true; }
};

void FixLastTag(MainWindowApi& main) {
    if (!CheckMailboxCommand(main, FileChecks::MbxOnly, false)) return;
    if (main.host().EudoraRunning()) {
        Inform(main, msg::kCloseEudora);
        return;
    }
    const MailboxCommand command{"menuFixLastTag", "Repair Message Delimiters", FileChecks::MbxOnly, false, Change::DelimiterRepair};
    const std::string key = main.selectedKey();
    // Asked here, the question names the mailbox and its backups; when the user
    // chose not to be asked, the tool's own warning still comes.
    bool asked = false;
    if (!ConfirmChange(main, command.control, ChangeQuestion(command, key), &asked)) return;
    StartTool(main, command, key, [asked](ToolContext& c, const std::string& k) {
        AnsweredHost answered(c.host);
        ToolContext context{c.state, asked ? static_cast<Host&>(answered) : c.host};
        auto result = RepairMessageDelimiters(context, k);
        if (!result) return ToolOutcome{result.error(), {}, {}};
        if (result->declined) return ToolOutcome{};
        // What else the repair did: an earlier run finished, a TOC that did not agree deleted all the same.
        const bool more = !result->recovered.empty() || !result->tocDisagreed.empty();
        return ToolOutcome{{}, msg::kDone, more ? result->ClosingText() : std::string()};
    });
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
