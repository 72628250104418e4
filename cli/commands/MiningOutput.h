#pragma once
// What the links and addresses commands share: printing the entries and
// writing the window's files.
#include <string>

#include "cli/Cli.h"
#include "mining/MinerResult.h"

namespace ledgerly::cli {

struct MiningWrites {
    std::string exportPath;
    std::string format = "csv";
    bool addToHistory = false;
    bool addToAddressBook = false;
};

void AddMiningWriteOptions(CLI::App& cmd, MiningWrites& writes, bool withAddressBook);
// Before the run: the data folder, the history file and Eudora's absence that
// the writes need. False (exit 1) when refused.
bool PrepareMiningWrites(Env& env, const MiningWrites& writes, MinerMode mode);
// Prints the entries on stdout, the column caption on stderr, then writes.
void FinishMining(Env& env, const MinerResult& result, const MiningWrites& writes);

}  // namespace ledgerly::cli
