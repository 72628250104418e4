#pragma once
// What the links and addresses commands share: printing the entries and
// writing the window's files.
#include <functional>
#include <optional>
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

// --export, --format, --add-to-history (and --add-to-address-book), --yes.
void AddMiningWriteOptions(CLI::App& cmd, Env& env, MiningWrites& writes, bool withAddressBook);
// The whole command: the mailbox checks; the data folder, history file and
// Eudora's absence that the writes need; the engine's run on the mailbox
// file; the entries on stdout and the column caption on stderr; the writes.
using MiningEngine = std::function<std::optional<MinerResult>(ToolContext&, const std::string& mbxPath)>;
void RunMining(Env& env, const std::string& mailboxArgument, const MiningWrites& writes, MinerMode mode, const MiningEngine& engine);

}  // namespace ledgerly::cli
