// ledgerly-cli rebuild-toc MAILBOX.mbx [--dry-run] [--yes]: a new TOC file
// from the mailbox file's messages, keeping the summary (and so the state) of
// every message the old TOC still describes. Both files are backed up first;
// the mailbox file is not changed.
#include <iostream>

#include "app/FieldDecoder.h"
#include "app/Messages.h"
#include "cli/Cli.h"
#include "flagging/TocRebuild.h"

namespace ledgerly::cli {
namespace {

void Register(CLI::App& app, Env& env) {
    auto* cmd = app.add_subcommand("rebuild-toc", "Rebuild a mailbox's TOC file from its messages, keeping every message's state");
    static std::string mailbox;
    static bool dryRun = false, yes = false;
    cmd->add_option("MAILBOX", mailbox, "The mailbox file (.mbx)")->required();
    cmd->add_flag("--dry-run", dryRun, "Print what the new TOC would keep, add and drop; write nothing");
    cmd->add_flag("--yes,-y", yes, "Write the new TOC file without asking");
    cmd->callback([&env] {
        const std::string mbx = env.MailboxPath(mailbox);
        if (!env.CheckMailbox(mbx, FileChecks::MbxOnly, !dryRun)) return;
        if (Status bound = FieldDecoder::Default().Bind(); !bound) {
            env.Fail(bound.error());
            return;
        }
        env.host.assumeYes = yes;
        ToolContext context = env.Context();
        auto report = RebuildToc(context, mbx, dryRun);
        env.host.EndStatusLine();
        if (!report) {
            env.Fail(report.error());
            return;
        }
        if (!report->recovered.empty()) std::cerr << report->recovered << '\n';
        if (report->declined) {
            env.Fail("Nothing was changed.");
            return;
        }
        for (const std::string& line : report->Lines()) std::cout << line << '\n';
        if (dryRun && !report->unchanged) std::cout << "Dry run: nothing was written.\n";
        if (report->written) std::cout << msg::kDone << '\n';
    });
}

const CommandRegistrar registrar(65, &Register);

}  // namespace
}  // namespace ledgerly::cli
