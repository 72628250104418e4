// ledgerly-cli mark received|sent MAILBOX.mbx
// Marks every message of a mailbox received or sent, whatever its headers say.
#include "cli/Cli.h"
#include "flagging/SummaryRefresh.h"
#include "store/Mailbox.h"

namespace ledgerly::cli {
namespace {

void Register(CLI::App& app, Env& env) {
    auto* cmd = app.add_subcommand("mark", "Mark every message of a mailbox received or sent");
    static std::string mode;
    static std::string mailbox;
    cmd->add_option("MODE", mode, "received or sent")->required()->check(CLI::IsMember({"received", "sent"}));
    cmd->add_option("MAILBOX", mailbox, "The mailbox file (.mbx)")->required();
    cmd->callback([&env] {
        const bool sent = mode == "sent";
        const std::string mbx = MailboxArgument(mailbox);
        // Each mode checks the two files in its own order.
        if (!env.CheckMailbox(mbx, sent ? FileChecks::TocThenMbx : FileChecks::MbxThenToc, true)) return;
        ToolContext context = env.Context();
        const Status done = MarkAllMessages(context, MailboxPair::FromMailboxPath(mbx).pairPath, sent);
        env.host.EndStatusLine();
        if (!done) env.Fail(done.error());
    });
}

const CommandRegistrar registrar(31, &Register);

}  // namespace
}  // namespace ledgerly::cli
