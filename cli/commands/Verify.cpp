// ledgerly-cli verify MAILBOX.mbx: the pair check, one line per problem.
#include <iostream>

#include "cli/Cli.h"
#include "store/PairCheck.h"

namespace ledgerly::cli {
namespace {

void Register(CLI::App& app, Env& env) {
    auto* cmd = app.add_subcommand("verify", "Check that a mailbox's TOC file and mailbox file agree");
    static std::string mailbox;
    cmd->add_option("MAILBOX", mailbox, "The mailbox file (.mbx)")->required();
    cmd->callback([&env] {
        const MailboxPair pair = MailboxPair::FromMailboxPath(env.MailboxPath(mailbox));
        const PairReport report = CheckPair(pair);
        for (const PairProblem& p : report.problems)
            std::cout << (PairReport::BreaksSoundness(p) ? "error: " : "warning: ") << p.text << '\n';
        if (!report.Sound()) {
            env.Fail("The pair '" + pair.mbx() + "' is not consistent.");
            return;
        }
        std::cout << "OK: " << report.usable << " summaries, " << report.mailboxSize << " bytes";
        if (report.uncoveredBytes > 0) std::cout << " (" << report.uncoveredBytes << " bytes belong to no summary)";
        std::cout << '\n';
    });
}

const CommandRegistrar registrar(20, &Register);

}  // namespace
}  // namespace ledgerly::cli
