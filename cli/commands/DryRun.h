#pragma once
// What the changing commands print for --dry-run: the changes on stdout, one
// line each, and on stderr that nothing was written.
#include <vector>

#include "cli/Cli.h"
#include "flagging/SummaryRefresh.h"

namespace ledgerly::cli {

inline constexpr const char* kDryRunHelp = "List what would change and write nothing";

// "message 2: Status 1 -> 8; Who 'old' -> 'carol@host'" for each summary.
void PrintSummaryChanges(Env& env, const Result<std::vector<SummaryChange>>& changes);
// The closing line of a dry run: "N <what> would change; nothing was written."
void DryRunDone(Env& env, std::size_t count, const char* what);

}  // namespace ledgerly::cli
