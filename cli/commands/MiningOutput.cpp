#include "cli/commands/MiningOutput.h"

#include <iostream>

#include "app/FileHelpers.h"
#include "app/Messages.h"
#include "mining/ResultFiles.h"

namespace ledgerly::cli {

void AddMiningWriteOptions(CLI::App& cmd, Env& env, MiningWrites& writes, bool withAddressBook) {
    auto* exportOption = cmd.add_option("--export", writes.exportPath, "Write the entries to FILE, as the results window exports them");
    cmd.add_option("--format", writes.format, "Export format: csv (comma), tab, or list (one per line)")
        ->check(CLI::IsMember({"csv", "tab", "list"}))
        ->needs(exportOption);
    cmd.add_flag("--add-to-history", writes.addToHistory,
                 withAddressBook ? "Append the addresses to Eudora's address history (History.lst)"
                                 : "Append the links to Eudora's link history (LinkHistory.dat)");
    if (withAddressBook)
        cmd.add_flag("--add-to-address-book", writes.addToAddressBook,
                     "Append the addresses to the mailbox's nickname file in Eudora's Nickname folder");
    AddYesOption(cmd, env, nullptr);
}

namespace {

// Before the run: the data folder, the history file and Eudora's absence that
// the writes need. False (exit 1) when refused.
bool PrepareMiningWrites(Env& env, const MiningWrites& writes, MinerMode mode) {
    if (!writes.addToHistory && !writes.addToAddressBook) return true;
    if (!env.ResolveDataFolder(true)) return false;
    if (env.host.EudoraRunning()) {
        env.Fail(msg::kCloseEudora);
        return false;
    }
    if (writes.addToHistory) {
        const std::string& path = mode == MinerMode::Links ? env.state.paths.LinkHistoryPath : env.state.paths.AddressHistoryPath;
        if (!FileExists(path)) {
            env.Fail("The history file '" + PathForTerminal(path) + "' does not exist; nothing was added.");
            return false;
        }
    }
    return true;
}

// Prints the entries on stdout, the column caption on stderr, then writes.
void FinishMining(Env& env, const MinerResult& result, const MiningWrites& writes) {
    env.host.EndStatusLine();
    for (const MinerEntry& e : result.entries) {
        std::cout << ForTerminal(e.text);
        if (result.mode == MinerMode::Links) std::cout << '\t' << ForTerminal(e.tag);
        std::cout << '\n';
    }
    std::cout.flush();
    env.Notice(ForTerminal(result.columnCaption));
    if (!result.readError.empty()) {
        env.Fail(PathForTerminal(result.readError));
        return;
    }

    ToolContext context = env.Context();
    if (!writes.exportPath.empty()) {
        std::vector<std::string> texts;
        texts.reserve(result.entries.size());
        for (const MinerEntry& e : result.entries) texts.push_back(e.text);
        const ExportFormat format = writes.format == "tab" ? ExportFormat::Tab : writes.format == "list" ? ExportFormat::List : ExportFormat::Csv;
        if (Status s = WriteWholeFileChecked(writes.exportPath, ExportString(result.mailboxName, texts, format)); !s) {
            env.Fail(s.error());
            return;
        }
    }
    if (writes.addToHistory) {
        if (Status s = AddToHistory(context, result.mode, result.entries); !s) {
            env.Fail(s.error());
            return;
        }
    }
    if (writes.addToAddressBook) {
        if (auto r = AddToAddressBook(context, result.mailboxName, result.entries); !r) {
            env.Fail(r.error());
            return;
        }
    }
}

}  // namespace

void RunMining(Env& env, const std::string& mailboxArgument, const MiningWrites& writes, MinerMode mode, const MiningEngine& engine) {
    const std::string path = env.MailboxPath(mailboxArgument);
    if (!env.CheckMailbox(path, FileChecks::MbxOnly, false)) return;
    if (!PrepareMiningWrites(env, writes, mode)) return;
    ToolContext context = env.Context();
    const std::optional<MinerResult> result = engine(context, path);
    if (!result) {
        env.Fail("MBX-file not found: '" + PathForTerminal(path) + "'.");
        return;
    }
    FinishMining(env, *result, writes);
}

}  // namespace ledgerly::cli
