#include "body/Delimiters.h"

#include <algorithm>
#include <filesystem>

#include "app/CommandChecks.h"
#include "app/FileHelpers.h"
#include "app/Messages.h"
#include "app/SafeFiles.h"
#include "store/Mailbox.h"
#include "store/PairTransaction.h"

namespace ledgerly {
namespace {

constexpr std::string_view kRunIn = "</x-html>From ???@???";
constexpr std::size_t kEndTagSize = 9;  // "</x-html>"

}  // namespace

void DelimiterMender::Feed(std::string_view piece, std::string& out) {
    pending_.append(piece);
    std::size_t from = 0;
    for (std::size_t at; (at = pending_.find(kRunIn, from)) != std::string::npos;) {
        out.append(pending_, from, at + kEndTagSize - from);
        out += kCrLf;
        from = at + kEndTagSize;
        ++mended_;
    }
    // A run-in can only begin in the last kRunIn.size() - 1 bytes: keep those.
    const std::size_t keep = std::min(pending_.size() - from, kRunIn.size() - 1);
    out.append(pending_, from, pending_.size() - from - keep);
    pending_.erase(0, pending_.size() - keep);
}

void DelimiterMender::Finish(std::string& out) {
    out += pending_;
    pending_.clear();
}

std::string InsertMissingDelimiterBreaks(std::string_view content, std::int64_t* mended) {
    DelimiterMender mender;
    std::string out;
    out.reserve(content.size());
    mender.Feed(content, out);
    mender.Finish(out);
    if (mended) *mended = mender.Mended();
    return out;
}

std::string DelimiterRepairResult::RepairedText() const {
    return std::to_string(mended) + (mended == 1 ? " delimiter" : " delimiters") + " repaired" +
           (tocDeleted ? "; the TOC file was deleted (Eudora builds a new one)." : ".");
}

std::string DelimiterRepairResult::DisagreementText() const {
    if (tocDisagreed.empty()) return {};
    return JoinSentences("The TOC file did not agree with the mailbox: " + tocDisagreed, "The repair deletes it all the same.");
}

std::string DelimiterRepairResult::ClosingText() const {
    return JoinSentences(JoinSentences(JoinSentences(recovered, RepairedText()), DisagreementText()), msg::kDone);
}

Result<DelimiterRepairResult> RepairMessageDelimiters(ToolContext& context, const std::string& mbxPath) {
    using R = Result<DelimiterRepairResult>;
    DelimiterRepairResult result;
    if (!context.host.Ask(kStatusLostQuestion, msg::kTitle)) {
        result.declined = true;
        return result;
    }
    auto txn = PairTransaction::Begin(MailboxPair::FromMailboxPath(mbxPath), {PairChange::MailboxDeletingToc}, &context.state);
    if (!txn) return txn.status();
    result.recovered = txn->Recovered();
    result.backups = txn->Backups();
    if (const PairProblem* problem = txn->Check().RefusesChange(); problem && problem->kind != PairProblemKind::MissingToc)
        result.tocDisagreed = problem->text;
    auto fail = [&result](const Status& s) { return R::Fail(JoinSentences(result.recovered, s.error())); };

    DelimiterMender mender;
    std::string out;
    Status appended;  // a failed append has abandoned the change already
    const Status read = ReadInPieces(mbxPath, [&](std::string_view piece) {
        if (context.host.StopRequested()) return Status::Fail(msg::kStopped);
        out.clear();
        mender.Feed(piece, out);
        appended = txn->AppendToMailbox(out);
        return appended;
    });
    if (!appended) return fail(appended);
    if (!read) return fail(txn->AbandonWith(read.error()));
    out.clear();
    mender.Finish(out);
    if (Status s = txn->AppendToMailbox(out); !s) return fail(s);
    result.tocDeleted = FileExists(txn->Pair().toc());
    if (Status s = txn->Commit(); !s) return fail(s);
    result.mended = mender.Mended();
    return result;
}

std::string BackupQuestion(const std::string& mbxKey) { return "Backup '" + TocPathOf(mbxKey) + "' and '" + mbxKey + "'?"; }

BackupReport BackupMailboxPair(AppState& state, const std::string& mbxKey) {
    BackupReport report;
    const std::string tocPath = TocPathOf(mbxKey);
    const bool haveToc = FileExists(tocPath), haveMbx = FileExists(mbxKey);
    if (!haveToc && !haveMbx) {
        report.text = "Files: '" + tocPath + "' and '" + mbxKey + "' were not found.\r\nBackup aborted.";
        return report;
    }
    // Under the folder lock, so that no run replaces the pair between the two copies.
    auto txn = PairTransaction::Begin(MailboxPair::FromMailboxPath(mbxKey), {PairChange::BackupsOnly}, &state);
    if (!txn) {
        report.failed = true;
        report.text = txn.error();
        return report;
    }
    report.backups = txn->Backups();
    if (haveToc && haveMbx)
        report.text = "Created backup files:\r\n'" + report.backups.mbx + "'\r\n'" + report.backups.toc + "'";
    else if (haveMbx)
        report.text = "'" + tocPath + "' not found.\r\nCreated backup file:\r\n" + report.backups.mbx;
    else
        report.text = "'" + mbxKey + "' not found.\r\nCreated backup file:\r\n" + report.backups.toc;
    if (!txn->Recovered().empty()) report.text = txn->Recovered() + "\r\n" + report.text;
    return report;
}

}  // namespace ledgerly
