// ledgerly-cli mark received|sent [--dry-run] [--yes] MAILBOX.mbx
// Marks every message of a mailbox received or sent, whatever its headers say.
#include "cli/Cli.h"
#include "cli/commands/DryRun.h"
#include "flagging/SummaryRefresh.h"
#include "store/Mailbox.h"

namespace ledgerly::cli {
namespace {

void Register(CLI::App& app, Env& env) {
    auto* cmd = app.add_subcommand("mark", "Mark every message of a mailbox received or sent");
    static std::string mode;
    static std::string mailbox;
    static bool dryRun = false;
    cmd->add_option("MODE", mode, "received or sent")->required()->check(CLI::IsMember({"received", "sent"}));
    cmd->add_option("MAILBOX", mailbox, kMailboxHelp)->required();
    cmd->add_flag("--dry-run", dryRun, kDryRunHelp);
    AddYesOption(*cmd, env, nullptr);
    cmd->callback([&env] {
        const bool sent = mode == "sent";
        const std::string mbx = env.MailboxPath(mailbox);
        // Each mode checks the two files in its own order.
        if (!env.CheckMailbox(mbx, sent ? FileChecks::TocThenMbx : FileChecks::MbxThenToc, !dryRun)) return;
        ToolContext context = env.Context();
        const std::string pairPath = MailboxPair::FromMailboxPath(mbx).pairPath;
        if (dryRun) {
            PrintSummaryChanges(env, PreviewMarkAll(context, pairPath, sent));
            return;
        }
        const Status done = MarkAllMessages(context, pairPath, sent);
        env.host.EndStatusLine();
        if (!done) env.Fail(done.error());
    });
}

const CommandRegistrar registrar(31, &Register);

}  // namespace
}  // namespace ledgerly::cli
