// ledgerly-cli links [--kind KIND]... [--all] MAILBOX.mbx: the link miner.
#include <iostream>

#include "cli/Cli.h"
#include "cli/commands/MiningOutput.h"
#include "mining/LinkMiner.h"

namespace ledgerly::cli {
namespace {

void Register(CLI::App& app, Env& env) {
    auto* cmd = app.add_subcommand("links", "List the distinct links of a mailbox file (text, a tab, the whole link)");
    static std::string mailbox;
    static std::vector<std::string> kinds;
    static bool all = false;
    static MiningWrites writes;
    std::vector<std::string> names;
    for (const LinkKindInfo& k : LinkKinds()) names.emplace_back(k.name);
    cmd->add_option("--kind", kinds, "A kind of link to look for (repeatable)")->check(CLI::IsMember(names));
    cmd->add_flag("--all", all, "Look for links of all ten kinds");
    AddMiningWriteOptions(*cmd, writes, false);
    cmd->add_option("MAILBOX", mailbox, "The mailbox file (.mbx)")->required();
    cmd->callback([&env] {
        if (!all && kinds.empty()) {
            std::cerr << "Give --kind KIND (one or more) or --all.\n";
            env.exitCode = 2;
            return;
        }
        LinkSwitches switches{};
        if (all) switches = AllKinds();
        for (const std::string& name : kinds) switches[static_cast<std::size_t>(*LinkKindByName(name))] = true;
        RunMining(env, mailbox, writes, MinerMode::Links,
                  [&switches](ToolContext& context, const std::string& path) { return MineLinks(context, path, switches); });
    });
}

const CommandRegistrar registrar(60, &Register);

}  // namespace
}  // namespace ledgerly::cli
