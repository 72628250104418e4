// ledgerly-cli repair-delimiters [--yes] MAILBOX.mbx: put a line break between
// "</x-html>" and a delimiter line run into it. The TOC file is backed up and
// deleted (Eudora builds a new one), so the command asks first.
#include "app/Messages.h"
#include "body/Delimiters.h"
#include "cli/Cli.h"

namespace ledgerly::cli {
namespace {

void Register(CLI::App& app, Env& env) {
    auto* cmd = app.add_subcommand("repair-delimiters",
                                   "Repair message delimiters run into a closing </x-html> (backs up and deletes the TOC file; asks first)");
    static std::string mailbox;
    cmd->add_option("MAILBOX", mailbox, kMailboxHelp)->required();
    AddYesOption(*cmd, env, "the messages' status information is lost");
    cmd->callback([&env] {
        const std::string mbx = env.MailboxPath(mailbox);
        if (!env.CheckMailbox(mbx, FileChecks::MbxOnly, true)) return;
        ToolContext context = env.Context();
        auto result = RepairMessageDelimiters(context, mbx);
        if (!result) {
            env.Fail(result.error());
            return;
        }
        if (result->declined) {
            env.Fail("Nothing was changed.");
            return;
        }
        PrintBackups(env, result->backups.toc, result->backups.mbx);
        if (!result->recovered.empty()) env.Notice(result->recovered);
        env.Notice(result->RepairedText());
        if (!result->tocDisagreed.empty()) env.Notice(result->DisagreementText());
        env.Notice(msg::kDone);
    });
}

const CommandRegistrar registrar(64, &Register);

}  // namespace
}  // namespace ledgerly::cli
