#include "body/Delimiters.h"

#include <algorithm>
#include <filesystem>

#include "app/CommandChecks.h"
#include "app/FileHelpers.h"
#include "app/Messages.h"
#include "app/SafeFiles.h"
#include "flagging/TocRebuild.h"
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
        mendedAt_.push_back(pendingStart_ + static_cast<std::int64_t>(from));
    }
    // A run-in can only begin in the last kRunIn.size() - 1 bytes: keep those.
    const std::size_t keep = std::min(pending_.size() - from, kRunIn.size() - 1);
    out.append(pending_, from, pending_.size() - from - keep);
    pendingStart_ += static_cast<std::int64_t>(pending_.size() - keep);
    pending_.erase(0, pending_.size() - keep);
}

std::int64_t DelimiterMender::MovedTo(std::int64_t position) const {
    const auto before = std::upper_bound(mendedAt_.begin(), mendedAt_.end(), position) - mendedAt_.begin();
    return position + 2 * static_cast<std::int64_t>(before);
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
           (tocDeleted ? "; the TOC file was deleted (Eudora builds a new one)." : tocRebuilt ? "; the TOC file was rebuilt." : ".");
}

std::string DelimiterRepairResult::DisagreementText() const {
    if (tocDisagreed.empty() || tocRebuilt) return {};
    return JoinSentences("The TOC file did not agree with the mailbox: " + tocDisagreed, "The repair deletes it all the same.");
}

std::string DelimiterRepairResult::ClosingText() const {
    return JoinSentences(JoinSentences(JoinSentences(recovered, RepairedText()), DisagreementText()), msg::kDone);
}

std::string RebuildAfterRepairQuestion(const std::string& mbxPath) {
    return "Repair the message delimiters of '" + mbxPath +
           "' and rebuild its TOC file?\r\nEvery message the TOC describes keeps its status; both files are backed up first.";
}

Result<DelimiterRepairResult> RepairMessageDelimiters(ToolContext& context, const std::string& mbxPath, bool rebuildToc,
                                                      const FieldDecodeFn& decode) {
    using R = Result<DelimiterRepairResult>;
    DelimiterRepairResult result;
    if (!context.host.Ask(rebuildToc ? RebuildAfterRepairQuestion(mbxPath) : std::string(kStatusLostQuestion), msg::kTitle)) {
        result.declined = true;
        return result;
    }
    PairTransactionOptions options{PairChange::MailboxDeletingToc};
    if (rebuildToc) {
        options.change = PairChange::MailboxAndToc;
        options.allowInconsistentPair = true;  // the rebuild mends the TOC whatever it held
    }
    const MailboxPair pair = MailboxPair::FromMailboxPath(mbxPath);
    auto txn = PairTransaction::Begin(pair, options, &context.state);
    if (!txn) return txn.status();
    result.recovered = txn->Recovered();
    result.backups = txn->Backups();
    if (const PairProblem* problem = txn->Check().RefusesChange(); problem && problem->kind != PairProblemKind::MissingToc)
        result.tocDisagreed = problem->text;
    auto fail = [&result](const Status& s) { return R::Fail(JoinSentences(result.recovered, s.error())); };

    DelimiterMender mender;
    std::string out;
    Status appended;  // a failed append has abandoned the change already
    const std::string source = txn->Pair().mbx();
    const std::int64_t size = FileSize(source);
    std::int64_t done = 0;
    const Status read = ReadInPieces(source, [&](std::string_view piece) {
        if (context.host.StopRequested()) return Status::Fail(msg::kStopped);
        out.clear();
        mender.Feed(piece, out);
        done += static_cast<std::int64_t>(piece.size());
        context.host.Progress("repair-delimiters", done, size, "bytes");
        appended = txn->AppendToMailbox(out);
        return appended;
    });
    if (!appended) return fail(appended);
    if (!read) return fail(txn->AbandonWith(read.error()));
    out.clear();
    mender.Finish(out);
    if (Status s = txn->AppendToMailbox(out); !s) return fail(s);
    if (rebuildToc) {
        if (Status s = txn->WritePending(); !s) return fail(s);
        // The repaired mailbox is complete in its staged file; the old TOC
        // describes the old one, whose positions the mender knows how to move.
        const TocRebuildSources sources{pair.mbx() + std::string(kNewSuffix), pair.mbx(),
                                        [&mender](std::int64_t at) { return mender.MovedTo(at); }};
        auto plan = PlanTocRebuild(pair, sources, context.state.paths.DataFolder, decode, context.host);
        if (!plan) return fail(txn->AbandonWith(plan.error()));
        txn->Toc() = std::move(TocImage::FromBytes(std::move(plan->tocBytes))).value();
        result.rebuild = std::move(plan->report);
    }
    result.tocDeleted = !rebuildToc && FileExists(txn->Pair().toc());
    if (Status s = txn->Commit(); !s) return fail(s);
    result.tocRebuilt = rebuildToc;
    result.rebuild.written = rebuildToc;
    result.mended = mender.Mended();
    return result;
}

std::string BackupQuestion(const std::string& mbxKey) { return "Backup '" + TocPathOf(mbxKey) + "' and '" + mbxKey + "'?"; }

BackupReport BackupMailboxPair(AppState& state, const std::string& key) {
    BackupReport report;
    const std::string mbxKey = WithExtensionAsFound(key);
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
