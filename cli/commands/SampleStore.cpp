// ledgerly-cli sample-store DIR: writes a small Eudora data folder to try the
// tools on; with --large N, one generated mailbox of N messages for benchmarks.
#include <filesystem>
#include <iostream>

#include "app/FileHelpers.h"
#include "cli/Cli.h"
#include "store/SampleStore.h"

namespace ledgerly::cli {
namespace {

void Register(CLI::App& app, Env& env) {
    auto* cmd = app.add_subcommand("sample-store", "Write a sample Eudora data folder (or, with --large, one large generated mailbox)");
    static std::string folder;
    static int large = 0;
    static unsigned seed = 1;
    static std::int64_t bytes = 0;
    cmd->add_option("DIR", folder, "The folder to write (new or empty; with --large: the folder that receives Large.mbx)")->required();
    cmd->add_option("--large", large, "Write DIR/Large.mbx with this many messages (1-32767) instead of the sample store")
        ->check(CLI::Range(1, 32767));
    cmd->add_option("--bytes", bytes, "Pad the generated messages (--large) so that the mailbox comes to about this many bytes")
        ->check(CLI::Range(std::int64_t{0}, kMaxGeneratedBytes));
    cmd->add_option("--seed", seed, "Seed of the generated mailbox (--large); the same seed gives the same bytes");
    AddYesOption(*cmd, env, nullptr);
    cmd->callback([&env] {
        if (large > 0) {
            std::error_code ec;
            std::filesystem::create_directories(FsPath(folder), ec);
            if (ec) { env.Fail("Cannot create the folder '" + PathForTerminal(folder) + "': " + ec.message() + "."); return; }
            const std::string pair = WithTrailingSeparator(folder) + "Large.";
            if (std::filesystem::exists(FsPath(pair + "mbx"), ec) || std::filesystem::exists(FsPath(pair + "toc"), ec)) {
                env.Fail("'" + PathForTerminal(pair) + "mbx' or '" + PathForTerminal(pair) + "toc' already exists; nothing was written.");
                return;
            }
            auto info = WriteGeneratedMailbox(pair, large, seed, bytes, &env.host);
            if (!info) { env.Fail(PathForTerminal(info.error())); return; }
            env.host.EndStatusLine();
            std::cout << PathForTerminal(pair) << "mbx\n";
            env.Notice("Wrote " + std::to_string(info->messages) + " messages, " + std::to_string(info->mailboxBytes) + " bytes, " +
                       std::to_string(info->duplicates) + " duplicates.");
            return;
        }
        auto info = WriteSampleStore(folder);
        if (!info) { env.Fail(PathForTerminal(info.error())); return; }
        // The mailboxes written are the listing; what was made of them, the message.
        for (const std::string& m : info->mailboxes) std::cout << PathForTerminal(m) << '\n';
        env.Notice("Wrote the sample store in '" + PathForTerminal(info->folder) + "': " + std::to_string(info->mailboxes.size()) +
                   " mailboxes, " + std::to_string(info->brokenReferences.size()) + " broken attachment references, " +
                   std::to_string(info->orphanedFiles.size()) + " orphaned attachment files, " + std::to_string(info->duplicates.size()) +
                   " groups of duplicates.");
    });
}

const CommandRegistrar registrar(30, &Register);

}  // namespace
}  // namespace ledgerly::cli
