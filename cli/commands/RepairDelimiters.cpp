// ledgerly-cli repair-delimiters MAILBOX.mbx [--yes]: put a line break between
// "</x-html>" and a delimiter line run into it. The TOC file is backed up and
// deleted (Eudora builds a new one), so the command asks first.
#include <iostream>

#include "app/Messages.h"
#include "body/Delimiters.h"
#include "cli/Cli.h"

namespace ledgerly::cli {
namespace {

void Register(CLI::App& app, Env& env) {
    auto* cmd = app.add_subcommand("repair-delimiters",
                                   "Repair message delimiters run into a closing </x-html> (backs up and deletes the TOC file)");
    static std::string mailbox;
    static bool yes = false;
    cmd->add_option("MAILBOX", mailbox, "The mailbox file (.mbx)")->required();
    cmd->add_flag("--yes,-y", yes, "Proceed without asking (the messages' status information is lost)");
    cmd->callback([&env] {
        const std::string mbx = MailboxArgument(mailbox);
        if (!env.CheckMailbox(mbx, FileChecks::MbxOnly, true)) return;
        env.host.assumeYes = yes;
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
        if (!result->backups.toc.empty()) std::cout << "Backup: " << result->backups.toc << '\n';
        if (!result->backups.mbx.empty()) std::cout << "Backup: " << result->backups.mbx << '\n';
        if (!result->recovered.empty()) std::cerr << result->recovered << '\n';
        std::cout << result->RepairedText() << '\n';
        if (!result->tocDisagreed.empty()) std::cout << result->DisagreementText() << '\n';
        std::cout << msg::kDone << '\n';
    });
}

const CommandRegistrar registrar(64, &Register);

}  // namespace
}  // namespace ledgerly::cli
