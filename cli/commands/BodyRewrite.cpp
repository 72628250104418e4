// ledgerly-cli strip-html|decode-qp|rot13 MAILBOX.mbx: rewrite every message
// body of a mailbox, with the TOC file renewed and both files backed up first.
#include <iostream>

#include "body/RewriteBodies.h"
#include "cli/Cli.h"

namespace ledgerly::cli {
namespace {

struct BodyCommand {
    const char* name;
    const char* help;
    RewriteMode mode;
};

constexpr BodyCommand kCommands[] = {
    {"strip-html", "Strip HTML tags from every message body (backs up the pair first)", RewriteMode::StripHtml},
    {"decode-qp", "Decode quoted-printable text in every message body (backs up the pair first)", RewriteMode::DecodeQuotedPrintable},
    {"rot13", "Apply ROT13 to every message body (backs up the pair first)", RewriteMode::Rot13},
};

// File names are the file system's own bytes: printed as they are, never
// converted like mail text.
void PrintBackups(const PairBackup& b) {
    if (!b.toc.empty()) std::cout << "Backup: " << b.toc << '\n';
    if (!b.mbx.empty()) std::cout << "Backup: " << b.mbx << '\n';
}

void Register(CLI::App& app, Env& env) {
    static std::string mailboxes[std::size(kCommands)];
    for (std::size_t c = 0; c < std::size(kCommands); ++c) {
        const BodyCommand& command = kCommands[c];
        auto* cmd = app.add_subcommand(command.name, command.help);
        cmd->add_option("MAILBOX", mailboxes[c], "The mailbox file (.mbx)")->required();
        cmd->callback([&env, c] {
            const std::string mbx = MailboxArgument(mailboxes[c]);
            if (!env.CheckMailbox(mbx, FileChecks::TocThenMbx, true)) return;
            ToolContext context = env.Context();
            auto result = RewriteBodies(context, mbx, kCommands[c].mode);
            env.host.EndStatusLine();
            if (result && !result->recovered.empty()) std::cerr << result->recovered << '\n';
            if (!result) {
                env.Fail(result.error());
                return;
            }
            PrintBackups(result->backups);
            std::cout << result->ClosingText() << '\n';
        });
    }
}

const CommandRegistrar registrar(60, &Register);

}  // namespace
}  // namespace ledgerly::cli
