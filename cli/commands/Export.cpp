// ledgerly-cli export files MAILBOX.mbx DIR [--headers all|compact|none] [--keep-html] [--extension EXT]
// ledgerly-cli export digest MAILBOX.mbx OUT.html
// The same files the desktop program writes; the closing status on stdout.
#include <clocale>
#include <iostream>

#include "cli/Cli.h"
#include "export/ExportFiles.h"
#include "export/ReadersDigest.h"
#include "store/Mailbox.h"

namespace ledgerly::cli {
namespace {

void RegisterFiles(CLI::App& parent, Env& env) {
    auto* cmd = parent.add_subcommand("files", "Write every message to a text file of its own in DIR");
    static std::string mailbox, folder;
    static ExportOptions options;
    static std::string headers = "all";
    cmd->add_option("MAILBOX", mailbox, "The mailbox file (.mbx)")->required();
    cmd->add_option("DIR", folder, "The destination folder (must exist)")->required();
    cmd->add_option("--headers", headers, "all: the header block; compact: Who, Subject and Sent lines; none")
        ->transform(CLI::IsMember({"all", "compact", "none"}, CLI::ignore_case))
        ->capture_default_str();
    cmd->add_flag("--keep-html", options.keepHtml, "Keep the bodies' HTML markup (default: stripped)");
    cmd->add_option("--extension", options.extension, "File extension, reduced to letters and digits (default: txt)");
    cmd->callback([&env] {
        const std::string mbx = MailboxArgument(mailbox);
        if (!env.CheckMailbox(mbx, FileChecks::TocThenMbx, false)) return;
        options.folder = folder;
        options.headers = headers == "compact" ? HeaderMode::Compact : headers == "none" ? HeaderMode::None : HeaderMode::All;
        ToolContext context = env.Context();
        auto result = ExportToFiles(context, MailboxPair::FromMailboxPath(mbx), options);
        env.host.EndStatusLine();
        if (!result) {
            env.Fail(result.error());
            return;
        }
        std::cout << result->StatusText() << '\n';
        if (!result->failures.empty()) env.Fail(result->FailureReport());
    });
}

void RegisterDigest(CLI::App& parent, Env& env) {
    auto* cmd = parent.add_subcommand("digest", "Write the mailbox as one HTML page with a linked table of contents");
    static std::string mailbox, out;
    cmd->add_option("MAILBOX", mailbox, "The mailbox file (.mbx)")->required();
    cmd->add_option("OUT", out, "The page to write (replaced when it exists)")->required();
    cmd->callback([&env] {
        const std::string mbx = MailboxArgument(mailbox);
        if (!env.CheckMailbox(mbx, FileChecks::TocThenMbx, false)) return;
        // The creation date and time in the user's own long formats.
        std::setlocale(LC_TIME, "");
        ToolContext context = env.Context();
        auto written = ExportReadersDigest(context, mbx, out);
        env.host.EndStatusLine();
        if (!written) {
            env.Fail(written.error());
            return;
        }
        std::cout << DigestStatusText(*written) << '\n';
    });
}

void Register(CLI::App& app, Env& env) {
    auto* cmd = app.add_subcommand("export", "Export a mailbox: one file per message, one HTML page, or mail for other programs (mbox, Maildir, EML)");
    cmd->require_subcommand(1);
    RegisterFiles(*cmd, env);
    RegisterDigest(*cmd, env);
}

const CommandRegistrar registrar(70, &Register);

}  // namespace
}  // namespace ledgerly::cli
