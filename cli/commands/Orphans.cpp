// ledgerly-cli orphans FOLDER: the files of the attachment folders that no
// mailbox below FOLDER refers to any more; optionally copies, moves or wipes them.
#include <algorithm>
#include <iostream>

#include "app/FileHelpers.h"
#include "app/Messages.h"
#include "app/WindowsPaths.h"
#include "attachments/AttachmentFolders.h"
#include "attachments/OrphanFinder.h"
#include "cli/Cli.h"
#include "cli/commands/AttachmentCli.h"

namespace ledgerly::cli {
namespace {

struct Options {
    std::string folder;
    std::vector<std::string> searchFolders;
    bool embedded = false;
    std::string copyTo, moveTo;
    bool wipe = false;
    bool dryRun = false;
};

void Run(Env& env, const Options& o) {
    if (!FolderExists(o.folder)) {
        env.Fail("The folder '" + PathForTerminal(o.folder) + "' does not exist.");
        return;
    }
    const std::string root = WithTrailingSeparator(o.folder);
    ResolveAttachmentPaths(env, root);
    const PathMapper mapper(env.state.paths.DataFolder.empty() ? root : env.state.paths.DataFolder);

    FinderRequest request;
    request.mode = o.embedded ? FinderMode::Embedded : FinderMode::Attachments;
    request.mapper = &mapper;
    request.pauses = false;
    for (const std::string& f : o.searchFolders) {
        if (!FolderExists(f)) {
            env.Fail("The folder '" + PathForTerminal(f) + "' does not exist.");
            return;
        }
        request.searchFolders.push_back(WithTrailingSeparator(f));
    }
    if (request.searchFolders.empty()) {
        if (o.embedded) {
            env.Fail("Give the folder of the embedded files with --search-folder DIR.");
            env.exitCode = 2;
            return;
        }
        request.searchFolders = InitialSearchFolders(env.state, mapper);
        if (request.searchFolders.empty()) {
            env.Fail("No attachment folder found: give --search-folder DIR.");
            return;
        }
    }
    const std::string target = !o.copyTo.empty() ? o.copyTo : o.moveTo;
    if (!target.empty() && !FolderExists(target)) {
        env.Fail("The folder '" + PathForTerminal(target) + "' does not exist.");
        return;
    }
    request.mailboxes = ListMailboxes(root);

    FinderControl control;
    const FinderResult result = FindOrphans(request, env.host, control);
    env.host.EndStatusLine();
    std::vector<ResultRow> rows;
    for (const std::string& p : result.orphans) rows.push_back(MakeResultRow(p));
    std::stable_sort(rows.begin(), rows.end(), [](const ResultRow& a, const ResultRow& b) { return a.fileName < b.fileName; });
    for (const ResultRow& r : rows) std::cout << PathForTerminal(r.fullPath) << '\n';
    env.Notice(result.status);
    if (rows.empty()) return;
    if (o.dryRun && (!target.empty() || o.wipe)) {
        const char* what = !o.copyTo.empty() ? " copied." : !o.moveTo.empty() ? " moved." : " deleted.";
        env.Notice("These " + std::to_string(rows.size()) + (rows.size() == 1 ? " file would be" : " files would be") + what +
                   " Nothing was written.");
        return;
    }

    std::vector<std::size_t> all(rows.size());
    for (std::size_t i = 0; i < all.size(); ++i) all[i] = i;
    if (!target.empty()) {
        // --yes answers no question about a file already in DIR: it is never replaced, the new one takes a free name.
        const TransferSummary s = TransferFiles(rows, all, target, !o.moveTo.empty(), env.host, env.host.assumeYes ? ExistingTarget::KeepBoth : ExistingTarget::Ask);
        env.Notice(s.status.empty() ? std::to_string(s.done) + (s.done == 1 ? " file" : " files") + (o.moveTo.empty() ? " copied." : " moved.")
                                    : s.status);
        if (s.failed > 0 || s.sourceKept > 0) env.exitCode = 1;
    } else if (o.wipe) {
        if (const std::string refused = WipeRefusal(result); !refused.empty()) {
            env.Fail(refused);
            return;
        }
        if (!env.host.Ask(kWipeQuestion, msg::kTitle)) {
            env.Fail("Nothing was deleted.");
            return;
        }
        const WipeSummary s = WipeFiles(rows, all);
        env.Notice(s.status);
        if (s.failed > 0) env.exitCode = 1;
    }
}

void Register(CLI::App& app, Env& env) {
    auto* cmd = app.add_subcommand("orphans", "List attachment files that no mailbox below FOLDER refers to");
    static Options o;
    cmd->add_option("FOLDER", o.folder, "The mail folder whose mailboxes are read (normally the data folder)")->required();
    cmd->add_flag("--embedded", o.embedded, "Look for embedded-content files (named after \"Embedded Content: \")");
    // One folder per --search-folder, so that FOLDER after it stays FOLDER.
    cmd->add_option("--search-folder", o.searchFolders, "A folder of attachment files (repeatable; default: the attachment folder)")
        ->allow_extra_args(false);
    auto* copy = cmd->add_option("--copy-to", o.copyTo, "Copy the files found to DIR (asks before replacing a file there)");
    auto* move = cmd->add_option("--move-to", o.moveTo, "Move the files found to DIR (asks before replacing a file there)");
    auto* wipe = cmd->add_flag("--wipe", o.wipe, "Delete the files found (asks first)");
    copy->excludes(move)->excludes(wipe);
    move->excludes(wipe);
    cmd->add_flag("--dry-run", o.dryRun, "With --copy-to, --move-to or --wipe: list the files and change nothing");
    AddYesOption(*cmd, env, "before wiping, or replacing a file in the target folder");
    cmd->callback([&env] { Run(env, o); });
}

const CommandRegistrar registrar(90, &Register);

}  // namespace
}  // namespace ledgerly::cli
