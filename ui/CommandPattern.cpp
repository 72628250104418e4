#include "ui/CommandPattern.h"

#include <memory>

#include "app/FileHelpers.h"
#include "app/IniFile.h"
#include "app/Messages.h"
#include "store/PairBackups.h"
#include "ui/MainWindowApi.h"
#include "ui/Prompter.h"

namespace ledgerly::ui {
namespace {

QString Q(const std::string& utf8) { return QString::fromStdString(utf8); }
QString Native(const std::string& path) { return QString::fromLocal8Bit(path.c_str()); }

constexpr const char* kQuestionsSection = "Questions";

// The names the two backups of the pair of `key` will take: one number for both.
QString BackupNames(const std::string& key) {
    const std::string toc = TocPathOf(key);
    const auto number = FreeBackupNumber({toc, key});
    const QString n = number ? QString::number(*number) : QStringLiteral("N");
    return Native(GetFileName(toc, false)) + QLatin1Char('.') + n + QStringLiteral(" and ") + Native(GetFileName(key, false)) +
           QLatin1Char('.') + n;
}

}  // namespace

bool CheckMailboxCommand(MainWindowApi& main, FileChecks files, bool refuseWhileEudoraRuns) {
    if (main.treeEmpty() || main.runner().running()) return false;
    if (auto refusal = CheckSelection(main.selectedKey(), files, refuseWhileEudoraRuns, main.host())) {
        main.prompter().information(main.window(), Q(*refusal), Q(msg::kTitle), true);
        return false;
    }
    return true;
}

QString ChangeQuestion(const MailboxCommand& command, const std::string& key) {
    const QString mailbox = Native(GetFileName(key, true));
    const QString folder = Native(key.substr(0, key.size() - GetFileName(key, false).size()));
    QString text = QStringLiteral("%1 on the mailbox '%2' (in %3)?").arg(QString::fromUtf8(command.title), mailbox, folder);
    const std::string toc = TocPathOf(key);
    switch (command.change) {
        case Change::None: break;
        case Change::SummariesInPlace:
            text += QStringLiteral("\n\nThe summaries in %1 are rewritten in place; no backup is made.").arg(Native(GetFileName(toc, false)));
            break;
        case Change::BodiesWithBackups:
            text += QStringLiteral("\n\nEvery message is rewritten. Backups are made first: %1.").arg(BackupNames(key));
            break;
        case Change::DelimiterRepair:
            text += QStringLiteral("\n\nBackups are made first: %1. Then %2 is deleted (Eudora builds it anew), "
                                   "so the status information of every message is lost.")
                        .arg(BackupNames(key), Native(GetFileName(toc, false)));
            break;
    }
    return text;
}

bool ConfirmChange(MainWindowApi& main, const char* control, const QString& question, bool* asked) {
    const std::string& ini = main.state().paths.IniPath;
    const auto ask = ReadIniNumber(kQuestionsSection, control, ini);
    if (asked) *asked = !(ask && *ask == 0);
    if (ask && *ask == 0) return true;
    bool dontAskAgain = false;
    if (!main.prompter().confirm(main.window(), question, Q(msg::kTitle), &dontAskAgain)) return false;
    if (dontAskAgain) WriteIni(kQuestionsSection, control, FormatIniNumber(0), ini);
    return true;
}

bool StartTool(MainWindowApi& main, const MailboxCommand& command, const std::string& key, ToolWork work,
               std::function<void(ToolOutcome&, const ToolRunEnd&)> after) {
    auto outcome = std::make_shared<ToolOutcome>();
    ToolJob job;
    job.title = QString::fromUtf8(command.title).remove(QLatin1Char('&'));
    job.stop = command.stop;
    job.work = [work = std::move(work), key, outcome](ToolContext& context) { *outcome = work(context, key); };
    job.finish = [&main, outcome, after = std::move(after)](const ToolRunEnd& end) {
        if (end.abandoned) outcome->status = "Stopped.";
        if (end.notStarted) outcome->status = "Stopped before it began: nothing was changed.";
        if (end.outOfMemory) *outcome = ToolOutcome{};
        if (after) after(*outcome, end);
        if (!outcome->failure.empty()) {
            main.setStatus(Q(msg::kReady));
            main.prompter().information(main.window(), Q(outcome->failure), Q(msg::kTitle), true);
            return;
        }
        main.setStatus(Q(outcome->status.empty() ? std::string(msg::kReady) : outcome->status));
        if (!outcome->notice.empty()) main.prompter().information(main.window(), Q(outcome->notice), Q(msg::kTitle), true);
    };
    return main.runner().start(std::move(job));
}

bool RunMailboxCommand(MainWindowApi& main, const MailboxCommand& command, ToolWork work,
                       std::function<void(ToolOutcome&, const ToolRunEnd&)> after) {
    if (!CheckMailboxCommand(main, command.files, command.refuseWhileEudoraRuns)) return false;
    const std::string key = main.selectedKey();
    if (command.change != Change::None && !ConfirmChange(main, command.control, ChangeQuestion(command, key))) return false;
    return StartTool(main, command, key, std::move(work), std::move(after));
}

}  // namespace ledgerly::ui
