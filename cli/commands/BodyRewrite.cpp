// ledgerly-cli strip-html|decode-qp|rot13 MAILBOX.mbx: rewrite every message
// body of a mailbox, with the TOC file renewed and both files backed up first.
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


void Register(CLI::App& app, Env& env) {
    static std::string mailboxes[std::size(kCommands)];
    for (std::size_t c = 0; c < std::size(kCommands); ++c) {
        const BodyCommand& command = kCommands[c];
        auto* cmd = app.add_subcommand(command.name, command.help);
        cmd->add_option("MAILBOX", mailboxes[c], kMailboxHelp)->required();
        AddYesOption(*cmd, env, nullptr);
        cmd->callback([&env, c] {
            const std::string mbx = env.MailboxPath(mailboxes[c]);
            if (!env.CheckMailbox(mbx, FileChecks::TocThenMbx, true)) return;
            ToolContext context = env.Context();
            auto result = RewriteBodies(context, mbx, kCommands[c].mode);
            if (result && !result->recovered.empty()) env.Notice(result->recovered);
            if (!result) {
                env.Fail(result.error());
                return;
            }
            PrintBackups(env, result->backups.toc, result->backups.mbx);
            env.Notice(result->ClosingText());
        });
    }
}

const CommandRegistrar registrar(60, &Register);

}  // namespace
}  // namespace ledgerly::cli
