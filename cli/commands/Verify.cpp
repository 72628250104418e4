// ledgerly-cli verify MAILBOX.mbx: the pair check, one line per problem on
// stdout, the verdict on stderr.
#include <iostream>

#include "cli/Cli.h"
#include "store/PairCheck.h"

namespace ledgerly::cli {
namespace {

void Register(CLI::App& app, Env& env) {
    auto* cmd = app.add_subcommand("verify", "Check that a mailbox's TOC file and mailbox file agree");
    static std::string mailbox;
    cmd->add_option("MAILBOX", mailbox, kMailboxHelp)->required();
    cmd->callback([&env] {
        const MailboxPair pair = MailboxPair::FromMailboxPath(env.MailboxPath(mailbox));
        const PairReport report = CheckPair(pair);
        for (const PairProblem& p : report.problems)
            std::cout << (PairReport::BreaksSoundness(p) ? "error: " : "warning: ") << PathForTerminal(p.text) << '\n';
        if (!report.Sound()) {
            env.Fail("The pair '" + PathForTerminal(pair.mbx()) + "' is not consistent.");
            return;
        }
        std::string verdict = "OK: " + std::to_string(report.usable) + " summaries, " + std::to_string(report.mailboxSize) + " bytes";
        if (report.uncoveredBytes > 0) verdict += " (" + std::to_string(report.uncoveredBytes) + " bytes belong to no summary)";
        env.Notice(verdict);
    });
}

const CommandRegistrar registrar(20, &Register);

}  // namespace
}  // namespace ledgerly::cli
