// ledgerly-cli addresses MAILBOX.mbx: the address harvester.
#include "cli/Cli.h"
#include "cli/commands/MiningOutput.h"
#include "mining/AddressHarvester.h"

namespace ledgerly::cli {
namespace {

void Register(CLI::App& app, Env& env) {
    auto* cmd = app.add_subcommand("addresses", "List the distinct e-mail addresses of a mailbox file");
    static std::string mailbox;
    static MiningWrites writes;
    AddMiningWriteOptions(*cmd, env, writes, true);
    cmd->add_option("MAILBOX", mailbox, kMailboxHelp)->required();
    cmd->callback([&env] {
        RunMining(env, mailbox, writes, MinerMode::Addresses, &HarvestAddresses);
    });
}

const CommandRegistrar registrar(61, &Register);

}  // namespace
}  // namespace ledgerly::cli
