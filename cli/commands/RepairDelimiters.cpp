// ledgerly-cli repair-delimiters MAILBOX.mbx [--rebuild-toc] [--yes]: put a
// line break between "</x-html>" and a delimiter line run into it. The TOC
// file is backed up and deleted (Eudora builds a new one, losing every
// message's status), so the command asks first; with --rebuild-toc it is
// rebuilt in the same step instead, keeping the status of every message.
#include <iostream>

#include "app/FieldDecoder.h"
#include "app/Messages.h"
#include "body/Delimiters.h"
#include "cli/Cli.h"

namespace ledgerly::cli {
namespace {

void Register(CLI::App& app, Env& env) {
    auto* cmd = app.add_subcommand("repair-delimiters",
                                   "Repair message delimiters run into a closing </x-html> (backs up and deletes the TOC file, "
                                   "or rebuilds it with --rebuild-toc)");
    static std::string mailbox;
    static bool yes = false, rebuildToc = false;
    cmd->add_option("MAILBOX", mailbox, "The mailbox file (.mbx)")->required();
    cmd->add_flag("--rebuild-toc", rebuildToc, "Rebuild the TOC file instead of deleting it, keeping every message's status");
    cmd->add_flag("--yes,-y", yes, "Proceed without asking (without --rebuild-toc the messages' status information is lost)");
    cmd->callback([&env] {
        const std::string mbx = MailboxArgument(mailbox);
        if (!env.CheckMailbox(mbx, FileChecks::MbxOnly, true)) return;
        if (rebuildToc) {
            if (Status bound = FieldDecoder::Default().Bind(); !bound) {
                env.Fail(bound.error());
                return;
            }
        }
        env.host.assumeYes = yes;
        ToolContext context = env.Context();
        auto result = RepairMessageDelimiters(context, mbx, rebuildToc);
        env.host.EndStatusLine();
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
        if (result->tocRebuilt)
            for (const std::string& line : result->rebuild.Lines()) std::cout << line << '\n';
        if (const std::string disagreed = result->DisagreementText(); !disagreed.empty()) std::cout << disagreed << '\n';
        std::cout << msg::kDone << '\n';
    });
}

const CommandRegistrar registrar(64, &Register);

}  // namespace
}  // namespace ledgerly::cli
