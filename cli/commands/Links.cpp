// ledgerly-cli links [--kind KIND]... [--all] MAILBOX.mbx: the link miner.
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
    names.emplace_back("e-mail");  // the second name of mailto
    // One kind per --kind, so that the mailbox after it stays the mailbox.
    cmd->add_option("--kind", kinds, "A kind of link to look for (repeatable): mailto (or e-mail), web, file, ftp, telnet, news, ph, finger, rtsp, options")
        ->check(CLI::IsMember(names))
        ->allow_extra_args(false);
    cmd->add_flag("--all", all, "Look for links of all ten kinds");
    AddMiningWriteOptions(*cmd, env, writes, false);
    cmd->add_option("MAILBOX", mailbox, kMailboxHelp)->required();
    cmd->callback([&env] {
        if (!all && kinds.empty()) {
            env.Notice("Give --kind KIND (one or more) or --all.");
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
