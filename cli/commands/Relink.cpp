// ledgerly-cli relink MAILBOX.mbx: the attachment references of a mailbox
// whose file is gone; with --set-folder or --remove, the mailbox rewritten
// with the new paths (backups first, both files replaced at once).
#include <iostream>

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
};

void Run(Env& env, const Options& o) {
    const std::string mbx = MailboxArgument(o.mailbox);
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
        std::cerr << kNoBrokenLinks << '\n';
        if (rewrite) env.exitCode = 1;
        return;
    }
    if (!rewrite) {
        for (const BrokenLink& r : rows)
            std::cout << ForTerminal(r.fileName) << '\t' << ForTerminal(r.sender) << '\t' << ForTerminal(r.originalLocation) << '\n';
        std::cout << std::flush;
        std::cerr << BrokenCountText(rows.size()) << '\n';
        return;
    }

    if (!o.setFolder.empty()) {
        const std::string folder = LocalFolderOf(o.setFolder, mapper);
        if (!FolderExists(folder)) {
            env.Fail(FolderMissingText(o.setFolder));
            return;
        }
        for (const std::string& name : o.only) {
            bool any = false;
            for (const BrokenLink& r : rows) any = any || EqualsNoCase(r.fileName, NativeToMail(name));
            if (!any) {
                env.Fail("No broken reference names a file '" + name + "'. Nothing was changed.");
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
            env.Fail("No broken reference is '" + path + "'. Nothing was changed.");
            return;
        }
    }
    auto ctx = env.Context();
    auto report = RewriteAttachmentLinks(ctx, mbx, rows, mapper, false);
    env.host.EndStatusLine();
    if (!report) {
        env.Fail(report.error());
        return;
    }
    if (!report->recovered.empty()) std::cout << report->recovered << '\n';
    if (!report->tocBackup.empty()) std::cout << "Backup: " << report->tocBackup << '\n';
    if (!report->mbxBackup.empty()) std::cout << "Backup: " << report->mbxBackup << '\n';
    std::cout << report->changes << " changes in " << report->messages << " messages.\n" << report->Closing() << '\n';
}

void Register(CLI::App& app, Env& env) {
    auto* cmd = app.add_subcommand("relink", "List or repair attachment references whose file is gone");
    static Options o;
    cmd->add_option("MAILBOX", o.mailbox, "The mailbox file (.mbx)")->required();
    auto* set = cmd->add_option("--set-folder", o.setFolder, "Point the references at the same file name in DIR");
    cmd->add_option("--only", o.only, "With --set-folder: only references to this file name (repeatable)")->needs(set);
    cmd->add_option("--remove", o.remove, "Remove the reference with this path from the messages (repeatable)");
    cmd->callback([&env] { Run(env, o); });
}

const CommandRegistrar registrar(91, &Register);

}  // namespace
}  // namespace ledgerly::cli
