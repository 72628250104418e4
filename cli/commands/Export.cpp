// ledgerly-cli export files MAILBOX.mbx DIR [--headers all|compact|none] [--keep-html] [--extension EXT]
// ledgerly-cli export digest MAILBOX.mbx OUT.html
// The same files the desktop program writes; the closing status on stderr.
// A message that cannot be read is left out and named; the run then exits 1.
#include <clocale>

#include "cli/Cli.h"
#include "export/ExportFiles.h"
#include "export/ReadersDigest.h"
#include "store/Mailbox.h"

namespace ledgerly::cli {
namespace {

// The lines of a report with CR LF breaks, each on its own line.
void NoticeLines(Env& env, const std::string& report) {
    std::size_t from = 0;
    while (from <= report.size()) {
        const std::size_t at = report.find("\r\n", from);
        env.Notice(PathForTerminal(report.substr(from, at == std::string::npos ? std::string::npos : at - from)));
        if (at == std::string::npos) break;
        from = at + 2;
    }
}

void RegisterFiles(CLI::App& parent, Env& env) {
    auto* cmd = parent.add_subcommand("files", "Write every message to a text file of its own in DIR (appended to a file that exists)");
    static std::string mailbox, folder;
    static ExportOptions options;
    static std::string headers = "all";
    cmd->add_option("MAILBOX", mailbox, kMailboxHelp)->required();
    cmd->add_option("DIR", folder, "The destination folder (must exist)")->required();
    cmd->add_option("--headers", headers, "all: the header block; compact: Who, Subject and Sent lines; none")
        ->transform(CLI::IsMember({"all", "compact", "none"}, CLI::ignore_case))
        ->capture_default_str();
    cmd->add_flag("--keep-html", options.keepHtml, "Keep the bodies' HTML markup (default: stripped)");
    cmd->add_option("--extension", options.extension, "File extension, reduced to letters and digits (default: txt)");
    AddYesOption(*cmd, env, nullptr);
    cmd->callback([&env] {
        const std::string mbx = env.MailboxPath(mailbox);
        if (!env.CheckMailbox(mbx, FileChecks::TocThenMbx, false)) return;
        options.folder = folder;
        options.headers = headers == "compact" ? HeaderMode::Compact : headers == "none" ? HeaderMode::None : HeaderMode::All;
        ToolContext context = env.Context();
        auto result = ExportToFiles(context, MailboxPair::FromMailboxPath(mbx), options);
        if (!result) {
            env.Fail(PathForTerminal(result.error()));
            return;
        }
        env.Notice(result->StatusText());
        if (!result->failures.empty()) {
            NoticeLines(env, result->FailureReport());
            env.exitCode = 1;
        }
    });
}

void RegisterDigest(CLI::App& parent, Env& env) {
    auto* cmd = parent.add_subcommand("digest", "Write the mailbox as one HTML page with a linked table of contents");
    static std::string mailbox, out;
    cmd->add_option("MAILBOX", mailbox, kMailboxHelp)->required();
    cmd->add_option("OUT", out, "The page to write (replaced when it exists)")->required();
    AddYesOption(*cmd, env, nullptr);
    cmd->callback([&env] {
        const std::string mbx = env.MailboxPath(mailbox);
        if (!env.CheckMailbox(mbx, FileChecks::TocThenMbx, false)) return;
        // The creation date and time in the user's own long formats.
        std::setlocale(LC_TIME, "");
        ToolContext context = env.Context();
        auto written = ExportReadersDigest(context, mbx, out);
        if (!written) {
            env.Fail(PathForTerminal(written.error()));
            return;
        }
        env.Notice(DigestStatusText(written->written));
        if (const std::string skipped = written->SkippedReport(); !skipped.empty()) {
            NoticeLines(env, skipped);
            env.exitCode = 1;
        }
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
