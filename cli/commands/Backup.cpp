// ledgerly-cli backup [--yes] MAILBOX.mbx: numbered backup copies of a
// mailbox's TOC file and mailbox file, with the program's report on stderr.
#include "body/Delimiters.h"
#include "cli/Cli.h"

namespace ledgerly::cli {
namespace {

void Register(CLI::App& app, Env& env) {
    auto* cmd = app.add_subcommand("backup", "Make numbered backup copies of a mailbox's TOC file and mailbox file");
    static std::string mailbox;
    cmd->add_option("MAILBOX", mailbox, kMailboxHelp)->required();
    AddYesOption(*cmd, env, nullptr);
    cmd->callback([&env] {
        const std::string mbx = env.MailboxPath(mailbox);
        const BackupReport report = BackupMailboxPair(env.state, mbx);
        if (report.failed) {
            env.Fail(report.text);
            return;
        }
        env.host.Inform(report.text, "Ledgerly", BoxIcon::None);
        if (report.backups.toc.empty() && report.backups.mbx.empty()) env.exitCode = 1;  // both files missing
    });
}

const CommandRegistrar registrar(63, &Register);

}  // namespace
}  // namespace ledgerly::cli
