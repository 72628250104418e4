// ledgerly-cli relink MAILBOX.mbx: the attachment references of a mailbox
// whose file is gone; with --set-folder or --remove, the mailbox rewritten
// with the new paths (backups first, both files replaced at once), or with
// --dry-run the changes listed and nothing written.
#include <iostream>

#include "cli/commands/DryRun.h"

#include "app/FileHelpers.h"
#include "app/TextHelpers.h"
#include "app/WindowsPaths.h"
#include "attachments/AttachmentFolders.h"
#include "attachments/LinkRepair.h"
#include "attachments/References.h"
#include "cli/Cli.h"
#include "cli/commands/AttachmentCli.h"

namespace ledgerly::cli {
namespace {

struct Options {
    std::string mailbox;
    std::string setFolder;
    std::vector<std::string> only;
    std::vector<std::string> remove;
    bool dryRun = false;
};

void Run(Env& env, const Options& o) {
    const std::string mbx = env.MailboxPath(o.mailbox);
    if (!env.CheckMailbox(mbx, FileChecks::TocThenMbx, false)) return;
    ResolveAttachmentPaths(env, StoreFolderOf(mbx));
    const PathMapper mapper(env.state.paths.DataFolder.empty() ? StoreFolderOf(mbx) : env.state.paths.DataFolder);

    auto found = FindBrokenLinks(mbx, mapper, env.host);
    env.host.EndStatusLine();
    if (!found) {
        env.Fail(found.error());
        return;
    }
    std::vector<BrokenLink>& rows = *found;
    const bool rewrite = !o.setFolder.empty() || !o.remove.empty();
    if (rows.empty()) {
        env.Notice(kNoBrokenLinks);
        if (rewrite) env.exitCode = 1;
        return;
    }
    if (!rewrite) {
        for (const BrokenLink& r : rows)
            std::cout << ForTerminal(r.fileName) << '\t' << ForTerminal(r.sender) << '\t' << ForTerminal(r.originalLocation) << '\n';
        env.Notice(BrokenCountText(rows.size()));
        return;
    }

    if (!o.setFolder.empty()) {
        const std::string folder = LocalFolderOf(o.setFolder, mapper);
        if (!FolderExists(folder)) {
            env.Fail(FolderMissingText(PathForTerminal(o.setFolder)));
            return;
        }
        for (const std::string& name : o.only) {
            bool any = false;
            for (const BrokenLink& r : rows) any = any || EqualsNoCase(r.fileName, NativeToMail(name));
            if (!any) {
                env.Fail("No broken reference names a file '" + PathForTerminal(name) + "'. Nothing was changed.");
                return;
            }
        }
        for (BrokenLink& r : rows) {
            bool chosen = o.only.empty();
            for (const std::string& name : o.only) chosen = chosen || EqualsNoCase(r.fileName, NativeToMail(name));
            if (chosen) SetNewLocation(r, folder);
        }
    }
    for (const std::string& path : o.remove) {
        bool any = false;
        for (BrokenLink& r : rows)
            if (EqualsNoCase(r.originalLocation, NativeToMail(path))) {
                MarkForRemoval(r);
                any = true;
            }
        if (!any) {
            env.Fail("No broken reference is '" + PathForTerminal(path) + "'. Nothing was changed.");
            return;
        }
    }
    if (o.dryRun) {
        std::size_t changing = 0;
        for (const BrokenLink& r : rows) {
            if (r.state != LinkState::ZaBrisanje && r.newLocation.empty()) continue;
            std::cout << ForTerminal(r.originalLocation) << " -> "
                      << (r.state == LinkState::ZaBrisanje ? std::string("(removed)") : PathForTerminal(r.newLocation)) << '\n';
            ++changing;
        }
        DryRunDone(env, changing, changing == 1 ? "reference" : "references");
        return;
    }
    auto ctx = env.Context();
    auto report = RewriteAttachmentLinks(ctx, mbx, rows, mapper, false);
    if (!report) {
        env.Fail(report.error());
        return;
    }
    if (!report->recovered.empty()) env.Notice(report->recovered);
    PrintBackups(env, report->tocBackup, report->mbxBackup);
    env.Notice(std::to_string(report->changes) + " changes in " + std::to_string(report->messages) + " messages.");
    env.Notice(report->Closing());
}

void Register(CLI::App& app, Env& env) {
    auto* cmd = app.add_subcommand("relink", "List or repair attachment references whose file is gone");
    static Options o;
    cmd->add_option("MAILBOX", o.mailbox, kMailboxHelp)->required();
    auto* set = cmd->add_option("--set-folder", o.setFolder, "Point the references at the same file name in DIR");
    // One value per --only and --remove, so that the mailbox after one stays the mailbox.
    cmd->add_option("--only", o.only, "With --set-folder: only references to this file name (repeatable)")->needs(set)->allow_extra_args(false);
    cmd->add_option("--remove", o.remove, "Remove the reference with this path from the messages (repeatable)")->allow_extra_args(false);
    cmd->add_flag("--dry-run", o.dryRun, "With --set-folder or --remove: list the references that would change and write nothing");
    AddYesOption(*cmd, env, nullptr);
    cmd->callback([&env] { Run(env, o); });
}

const CommandRegistrar registrar(91, &Register);

}  // namespace
}  // namespace ledgerly::cli
