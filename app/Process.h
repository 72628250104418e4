#pragma once
// Starting other programs: the user's scripts and editor.
#include <string>
#include <vector>

#include "app/Result.h"

namespace ledgerly {

// Runs argv[0] (looked up on PATH) with the arguments and waits for it;
// returns its exit status (128 + signal when killed).
Result<int> RunAndWait(const std::vector<std::string>& argv);
// Starts argv[0] detached from this program (it outlives it; nobody waits).
Status StartDetached(const std::vector<std::string>& argv);
// Whether a program of that name is on PATH.
bool ProgramOnPath(const std::string& name);

}  // namespace ledgerly
