#include "cli/commands/DryRun.h"

#include <iostream>

namespace ledgerly::cli {

void PrintSummaryChanges(Env& env, const Result<std::vector<SummaryChange>>& changes) {
    env.host.EndStatusLine();
    if (!changes) {
        env.Fail(changes.error());
        return;
    }
    for (const SummaryChange& c : *changes) {
        std::cout << "message " << c.message << ": ";
        for (std::size_t i = 0; i < c.fields.size(); ++i) std::cout << (i ? "; " : "") << ForTerminal(c.fields[i]);
        std::cout << '\n';
    }
    DryRunDone(env, changes->size(), changes->size() == 1 ? "summary" : "summaries");
}

void DryRunDone(Env& env, std::size_t count, const char* what) {
    env.Notice(std::to_string(count) + " " + what + " would change; nothing was written.");
}

}  // namespace ledgerly::cli
