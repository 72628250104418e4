// ledgerly-cli repair-delimiters [--rebuild-toc] [--yes] MAILBOX.mbx: put a
// line break between "</x-html>" and a delimiter line run into it. The TOC
// file is backed up and deleted (Eudora builds a new one, losing every
// message's status), so the command asks first; with --rebuild-toc it is
// rebuilt in the same step instead, keeping the status of every message.
#include "app/FieldDecoder.h"
#include "app/Messages.h"
#include "body/Delimiters.h"
#include "cli/Cli.h"

namespace ledgerly::cli {
namespace {

void Register(CLI::App& app, Env& env) {
    auto* cmd = app.add_subcommand("repair-delimiters",
                                   "Repair message delimiters run into a closing </x-html> (backs up and deletes the TOC file, "
                                   "or rebuilds it with --rebuild-toc; asks first)");
    static std::string mailbox;
    static bool rebuildToc = false;
    cmd->add_option("MAILBOX", mailbox, kMailboxHelp)->required();
    cmd->add_flag("--rebuild-toc", rebuildToc, "Rebuild the TOC file instead of deleting it, keeping every message's status");
    AddYesOption(*cmd, env, "without --rebuild-toc the messages' status information is lost");
    cmd->callback([&env] {
        const std::string mbx = env.MailboxPath(mailbox);
        if (!env.CheckMailbox(mbx, FileChecks::MbxOnly, true)) return;
        if (rebuildToc) {
            if (Status bound = FieldDecoder::Default().Bind(); !bound) {
                env.Fail(bound.error());
                return;
            }
        }
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
        PrintBackups(env, result->backups.toc, result->backups.mbx);
        if (!result->recovered.empty()) env.Notice(result->recovered);
        env.Notice(result->RepairedText());
        if (result->tocRebuilt)
            for (const std::string& line : result->rebuild.Lines()) env.Notice(line);
        if (const std::string disagreed = result->DisagreementText(); !disagreed.empty()) env.Notice(disagreed);
        env.Notice(msg::kDone);
    });
}

const CommandRegistrar registrar(64, &Register);

}  // namespace
}  // namespace ledgerly::cli
