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
    static bool dryRun = false;
    cmd->add_option("MAILBOX", mailbox, kMailboxHelp)->required();
    cmd->add_flag("--dry-run", dryRun, "Print what the new TOC would keep, add and drop; write nothing");
    AddYesOption(*cmd, env, "whether to write the new TOC file");
    cmd->callback([&env] {
        const std::string mbx = env.MailboxPath(mailbox);
        if (!env.CheckMailbox(mbx, FileChecks::MbxOnly, !dryRun)) return;
        if (Status bound = FieldDecoder::Default().Bind(); !bound) {
            env.Fail(bound.error());
            return;
        }
        ToolContext context = env.Context();
        auto report = RebuildToc(context, mbx, dryRun);
        env.host.EndStatusLine();
        if (!report) {
            env.Fail(report.error());
            return;
        }
        if (!report->recovered.empty()) env.Notice(report->recovered);
        if (report->declined) {
            env.Fail("Nothing was changed.");
            return;
        }
        // A dry run lists what would change; a run reports what it did.
        for (const std::string& line : report->Lines()) {
            if (dryRun) std::cout << line << '\n';
            else env.Notice(line);
        }
        if (dryRun && !report->unchanged) env.Notice("Dry run: nothing was written.");
        if (report->written) env.Notice(msg::kDone);
    });
}

const CommandRegistrar registrar(65, &Register);

}  // namespace
}  // namespace ledgerly::cli
