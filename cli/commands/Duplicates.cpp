// ledgerly-cli duplicates --slow|--fast [--compare-delimiters]
//                         [--exclude-headers | --exclude-bodies] [--reset] [--dry-run] [--yes] MAILBOX.mbx
// Flags duplicate messages: lowest priority and a subject marker. --slow
// compares the texts and leaves the first copy unflagged; --fast compares
// CRC-32 checksums and leaves the last copy unflagged.
#include <iostream>

#include "app/FieldDecoder.h"
#include "cli/Cli.h"
#include "flagging/Duplicates.h"
#include "flagging/SummaryRefresh.h"
#include "store/Mailbox.h"

namespace ledgerly::cli {
namespace {

void Register(CLI::App& app, Env& env) {
    auto* cmd = app.add_subcommand("duplicates", "Flag duplicate messages in a mailbox's summaries");
    static std::string mailbox;
    static bool slow = false, fast = false, compareDelimiters = false, excludeHeaders = false, excludeBodies = false;
    static bool reset = false, dryRun = false;
    auto* slowFlag = cmd->add_flag("--slow", slow, "Compare the message texts (the first copy stays unflagged)");
    auto* fastFlag = cmd->add_flag("--fast", fast, "Compare CRC-32 checksums (the last copy stays unflagged)");
    slowFlag->excludes(fastFlag);
    cmd->add_flag("--compare-delimiters", compareDelimiters, "Compare the delimiter lines too");
    auto* headersFlag = cmd->add_flag("--exclude-headers", excludeHeaders, "Leave the header parts out of the comparison");
    auto* bodiesFlag = cmd->add_flag("--exclude-bodies", excludeBodies, "Leave the bodies out of the comparison");
    headersFlag->excludes(bodiesFlag);
    auto* resetFlag = cmd->add_flag("--reset", reset, "First rebuild every subject from its header (clears old markers)");
    auto* dryFlag = cmd->add_flag("--dry-run", dryRun, "List what would be flagged and the copy it matches; write nothing");
    dryFlag->excludes(resetFlag);
    AddYesOption(*cmd, env, nullptr);
    cmd->add_option("MAILBOX", mailbox, kMailboxHelp)->required();
    cmd->callback([&env] {
        if (slow == fast) {
            env.Notice("Choose the search: --slow or --fast.");
            env.exitCode = 2;
            return;
        }
        const std::string mbx = env.MailboxPath(mailbox);
        if (!env.CheckMailbox(mbx, FileChecks::TocThenMbx, !dryRun)) return;
        const std::string pairPath = MailboxPair::FromMailboxPath(mbx).pairPath;
        ToolContext context = env.Context();
        if (reset) {
            if (Status bound = FieldDecoder::Default().Bind(); !bound) {
                env.Fail(bound.error());
                return;
            }
            RefreshSelectors subjectOnly;
            subjectOnly.subject = true;
            if (Status done = UpdateTocFields(context, pairPath, subjectOnly); !done) {
                env.Fail(done.error());
                return;
            }
        }
        DuplicateOptions options;
        options.ExcludeDelimiters = !compareDelimiters;
        options.ExcludeHeaders = excludeHeaders;
        options.ExcludeBodies = excludeBodies;
        // The report goes to stderr after the list of a dry run.
        struct QuietReport : Host {
            explicit QuietReport(TerminalHost& inner) : inner_(inner) {}
            std::string report;
            void Status(std::string_view t) override { inner_.Status(t); }
            void Inform(std::string_view t, std::string_view, BoxIcon) override { report = std::string(t); }
            bool Ask(std::string_view q, std::string_view t) override { return inner_.Ask(q, t); }
            void Wait(int) override {}
            bool EudoraRunning() override { return inner_.EudoraRunning(); }
            void OpenProgress() override { inner_.OpenProgress(); }
            void UpdateProgress() override { inner_.UpdateProgress(); }
            void CloseProgress() override { inner_.CloseProgress(); }
            void Progress(std::string_view w, std::int64_t d, std::int64_t t, std::string_view u) override { inner_.Progress(w, d, t, u); }
        private:
            TerminalHost& inner_;
        } host(env.host);
        ToolContext runContext{env.state, host};
        auto outcome = slow ? FlagDuplicatesClassic(runContext, pairPath, options, dryRun)
                            : FlagDuplicatesHash(runContext, pairPath, options, dryRun);
        env.host.EndStatusLine();
        if (!outcome) {
            env.Fail(outcome.error());
            return;
        }
        if (dryRun) {
            for (const DuplicateMatch& m : outcome->matches)
                std::cout << "message " << m.message << " is a copy of message " << m.copyOf << '\n';
        }
        if (!outcome->silent) env.Notice(dryRun ? host.report + " Nothing was written." : host.report);
    });
}

const CommandRegistrar registrar(32, &Register);

}  // namespace
}  // namespace ledgerly::cli
