// "&Mailboxes" > "&Check Mailbox": the pair check of the selected mailbox (what
// `ledgerly-cli verify` reports), one line per problem.
#include <memory>

#include "app/Messages.h"
#include "store/PairCheck.h"
#include "ui/CommandPattern.h"
#include "ui/CommandRegistry.h"
#include "ui/MainWindowApi.h"
#include "ui/Prompter.h"

namespace ledgerly::ui {
namespace {

QString Q(const std::string& utf8) { return QString::fromStdString(utf8); }

// The report of the check as the box shows it.
QString PairCheckText(const std::string& mbxPath, const PairReport& report) {
    QString text;
    for (const PairProblem& p : report.problems)
        text += (PairReport::BreaksSoundness(p) ? QStringLiteral("Error: ") : QStringLiteral("Warning: ")) + Q(p.text) + QLatin1Char('\n');
    if (!report.Sound()) return text + QStringLiteral("\nThe TOC file and the mailbox file '%1' do not agree.").arg(QString::fromLocal8Bit(mbxPath.c_str()));
    text += QStringLiteral("OK: the TOC file and the mailbox file agree: %1 summaries, %2 bytes.")
                .arg(report.usable)
                .arg(report.mailboxSize);
    if (report.uncoveredBytes > 0) text += QStringLiteral(" %1 bytes belong to no summary.").arg(report.uncoveredBytes);
    return text;
}

void CheckMailbox(MainWindowApi& main) {
    auto report = std::make_shared<PairReport>();
    RunMailboxCommand(
        main, {"menuCheckMailbox", "Check Mailbox", FileChecks::None, false, Change::None, StopMode::Abandon},
        [report](ToolContext&, const std::string& key) {
            *report = CheckPair(MailboxPair::FromMailboxPath(key));
            return ToolOutcome{};
        },
        [&main, report](ToolOutcome&, const ToolRunEnd& end) {
            if (!end.Completed()) return;
            main.prompter().information(main.window(), PairCheckText(main.selectedKey(), *report), QStringLiteral("Check Mailbox - Ledgerly"),
                                        true);
        });
}

const CommandRegistrar checkMailbox("menuCheckMailbox", &CheckMailbox);

}  // namespace
}  // namespace ledgerly::ui
