// ledgerly-cli update [--sent-received] [--priority] [--attachment] [--date]
//                     [--subject] [--who] [--all] [--dry-run] [--yes] MAILBOX.mbx
// Rebuilds the chosen summary fields from the messages' header lines.
#include "app/FieldDecoder.h"
#include "app/Messages.h"
#include "cli/Cli.h"
#include "cli/commands/DryRun.h"
#include "flagging/SummaryRefresh.h"
#include "store/Mailbox.h"

namespace ledgerly::cli {
namespace {

void Register(CLI::App& app, Env& env) {
    auto* cmd = app.add_subcommand("update", "Rebuild summary fields (who, subject, date, ...) from the message headers");
    static std::string mailbox;
    static RefreshSelectors sel;
    static bool all = false, dryRun = false;
    cmd->add_flag("--sent-received", sel.sentReceived, "Sent/received status and who (from From: or To:)");
    cmd->add_flag("--priority", sel.priority, "Priority (from Priority:)");
    cmd->add_flag("--attachment", sel.attachment, "The has-attachments flag");
    cmd->add_flag("--date", sel.date, "Date (from Date:)");
    cmd->add_flag("--subject", sel.subject, "Subject (from Subject:, decoded)");
    cmd->add_flag("--who", sel.whoDecoding, "Decode the who field in place");
    cmd->add_flag("--all", all, "All of the above");
    cmd->add_flag("--dry-run", dryRun, kDryRunHelp);
    AddYesOption(*cmd, env, nullptr);
    cmd->add_option("MAILBOX", mailbox, kMailboxHelp)->required();
    cmd->callback([&env] {
        RefreshSelectors chosen = all ? RefreshSelectors::All() : sel;
        if (!chosen.Any()) {
            env.Notice("Choose the fields to update: --sent-received, --priority, --attachment, --date, --subject, --who or --all.");
            env.exitCode = 2;
            return;
        }
        const std::string mbx = env.MailboxPath(mailbox);
        if (!env.CheckMailbox(mbx, FileChecks::TocThenMbx, !dryRun)) return;
        if (chosen.Decodes()) {
            if (Status bound = FieldDecoder::Default().Bind(); !bound) {
                env.Fail(bound.error());
                return;
            }
        }
        ToolContext context = env.Context();
        const std::string pairPath = MailboxPair::FromMailboxPath(mbx).pairPath;
        if (dryRun) {
            PrintSummaryChanges(env, PreviewTocFields(context, pairPath, chosen));
            return;
        }
        const Status done = UpdateTocFields(context, pairPath, chosen);
        env.host.EndStatusLine();
        if (!done) env.Fail(done.error());
    });
}

const CommandRegistrar registrar(30, &Register);

}  // namespace
}  // namespace ledgerly::cli
