// ledgerly-cli align-columns FOLDER [--widths S,P,A,LABEL,WHO,DATE,K,V] [--dry-run] [--yes]:
// writes Eudora's mailbox-window column widths into every mailbox below FOLDER.
#include <filesystem>
#include <iostream>
#include <sstream>

#include "app/FileHelpers.h"
#include "app/IniFile.h"
#include "app/Messages.h"
#include "cli/Cli.h"
#include "cli/commands/DryRun.h"
#include "store/ColumnWidths.h"

namespace ledgerly::cli {
namespace {

bool ParseWidths(const std::string& text, ColumnWidthSet& out) {
    std::stringstream ss(text);
    std::string item;
    std::size_t i = 0;
    while (std::getline(ss, item, ',')) {
        if (i >= out.size()) return false;
        const auto v = ParseIniNumber(item);
        if (!v || *v < 0 || *v > 32767) return false;
        out[i++] = *v;
    }
    return i == out.size();
}

void Register(CLI::App& app, Env& env) {
    auto* cmd = app.add_subcommand("align-columns", "Write the column widths of Eudora's mailbox window into every mailbox below a folder");
    static std::string folder, widths;
    static bool dryRun = false;
    cmd->add_option("FOLDER", folder, "The data folder or a mail folder (.fol)")->required();
    cmd->add_option("--widths", widths, "Eight widths in characters: S,P,A,LABEL,WHO,DATE,K,V (default: the settings file's, else 3,3,3,5,7,7,3,3)");
    cmd->add_flag("--dry-run", dryRun, "List the mailboxes whose widths would change and write nothing");
    AddYesOption(*cmd, env, nullptr);
    cmd->callback([&env] {
        env.ResolveDataFolder(false);
        ColumnWidthSet set = kDefaultColumnWidths;
        if (!widths.empty()) {
            if (!ParseWidths(widths, set)) {
                env.exitCode = 2;
                env.Notice("--widths takes eight numbers from 0 to 32767, separated by commas.");
                return;
            }
        } else {
            for (std::size_t i = 0; i < set.size(); ++i)
                if (auto v = ReadIniNumber("Columns", kColumnKeys[i], env.state.paths.IniPath)) set[i] = static_cast<double>(*v);
        }
        // FolderExists also accepts a file: a mailbox named here would align nothing and say so quietly.
        std::error_code ec;
        if (!std::filesystem::is_directory(FsPath(folder), ec)) { env.Fail("The folder '" + PathForTerminal(folder) + "' does not exist."); return; }
        if (!dryRun && env.host.EudoraRunning()) { env.Fail(msg::kCloseEudora); return; }
        std::int64_t done = 0;
        std::vector<std::string> written, refusals;
        const std::vector<std::string> mailboxes = MailboxesBelow(folder);
        for (const std::string& mbx : mailboxes) {
            env.host.Progress("align-columns", ++done, static_cast<std::int64_t>(mailboxes.size()), "mailboxes");
            auto r = WriteColumnWidths(mbx.substr(0, mbx.size() - 3), set, dryRun);
            if (!r) refusals.push_back(r.error());
            else if (*r) written.push_back(mbx);
        }
        // The progress line goes before anything is listed under it.
        env.host.EndStatusLine();
        for (const std::string& mbx : written) std::cout << PathForTerminal(mbx) << '\n';
        for (const std::string& refusal : refusals) env.Notice(PathForTerminal(refusal));
        const std::size_t failed = refusals.size();
        if (dryRun) {
            DryRunDone(env, written.size(), written.size() == 1 ? "mailbox" : "mailboxes");
        } else {
            env.Notice(std::to_string(written.size()) + " mailboxes aligned" + (failed ? ", " + std::to_string(failed) + " refused" : std::string()) +
                       ".");
        }
        if (failed) env.exitCode = 1;
    });
}

const CommandRegistrar registrar(80, &Register);

}  // namespace
}  // namespace ledgerly::cli
