#include "body/Delimiters.h"

#include <algorithm>
#include <filesystem>

#include "app/AtomicFile.h"
#include "app/CommandChecks.h"
#include "app/FileHelpers.h"
#include "app/Messages.h"
#include "store/RewriteLock.h"
#include "store/Mailbox.h"
#include "store/PairRewrite.h"

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

namespace {

// Streams the mended copy of `mbxPath` into `to`; returns the places mended.
// The run's count (bytes read) goes to `host` when there is one.
Result<std::int64_t> WriteMendedCopy(const std::string& mbxPath, AtomicFile& to, Host* host = nullptr) {
    DelimiterMender mender;
    std::string out;
    const std::int64_t size = host ? FileSize(mbxPath) : 0;
    std::int64_t done = 0;
    const Status read = ReadInPieces(mbxPath, [&](std::string_view piece) {
        out.clear();
        mender.Feed(piece, out);
        done += static_cast<std::int64_t>(piece.size());
        if (host) host->Progress("repair-delimiters", done, size, "bytes");
        return to.Append(out);
    });
    if (!read) return read;
    out.clear();
    mender.Finish(out);
    if (Status s = to.Append(out); !s) return s;
    return mender.Mended();
}

}  // namespace

Result<std::int64_t> RepairDelimiters(const std::string& mbxPath) {
    auto file = AtomicFile::Create(mbxPath);
    if (!file) return Result<std::int64_t>::Fail(file.error() + " The mailbox file was not changed.");
    auto mended = WriteMendedCopy(mbxPath, *file);
    if (!mended) return Result<std::int64_t>::Fail(mended.error() + " The mailbox file was not changed.");
    if (*mended == 0) return mended;  // the untouched copy goes with `file`
    if (Status s = file->Commit(); !s) return Result<std::int64_t>::Fail(s.error() + " The mailbox file was not changed.");
    return mended;
}

Result<DelimiterRepairResult> RepairMessageDelimiters(ToolContext& context, const std::string& mbxPath) {
    using R = Result<DelimiterRepairResult>;
    DelimiterRepairResult result;
    if (!context.host.Ask(kStatusLostQuestion, msg::kTitle)) {
        result.declined = true;
        return result;
    }
    const MailboxPair pair = MailboxPair::FromMailboxPath(mbxPath);
    auto lock = RewriteLock::Acquire(pair.mbx());
    if (!lock) return lock.status();
    // A rewrite cut short earlier is finished or undone before the files are copied.
    const std::string recovered = RecoverInterruptedRewrite(pair);
    std::error_code ec;
    if (std::filesystem::exists(FsPath(pair.toc() + std::string(kNewSuffix)), ec)) return R::Fail(recovered + " Nothing was changed.");
    auto backups = BackupPair(context.state, pair.pairPath);
    if (!backups) return backups.status();
    result.backups = *backups;

    // The repaired mailbox is complete on disk under its temporary name before
    // anything changes; then the TOC file goes (a repaired mailbox beside the
    // old TOC would not agree with it; a mailbox without one Eudora rebuilds),
    // then the new mailbox takes the old one's place. A crash in between is
    // finished by RecoverInterruptedRewrite.
    const std::string newMbx = pair.mbx() + std::string(kNewSuffix);
    std::int64_t mended = 0;
    {
        // The new mailbox only takes its name once it is complete: recovery
        // puts a '.ledgerly-new' file in place when the TOC file is gone.
        auto file = AtomicFile::Create(newMbx);
        if (!file) return R::Fail(file.error() + " Nothing was changed.");
        auto written = WriteMendedCopy(pair.mbx(), *file, &context.host);
        if (!written) return R::Fail(written.error() + " Nothing was changed.");
        mended = *written;
        // With nothing to mend the copy is dropped and the mailbox file stays.
        if (mended > 0) {
            if (Status s = file->Commit(); !s) return R::Fail(s.error() + " Nothing was changed.");
        }
    }
    if (FileExists(pair.toc())) {
        std::filesystem::remove(FsPath(pair.toc()), ec);
        if (ec) {
            std::filesystem::remove(FsPath(newMbx), ec);
            return R::Fail("Cannot delete '" + pair.toc() + "'. Nothing was changed.");
        }
        result.tocDeleted = true;
    }
    if (mended > 0) {
        std::filesystem::rename(FsPath(newMbx), FsPath(pair.mbx()), ec);
        if (ec)
            return R::Fail("Cannot replace '" + pair.mbx() + "': " + ec.message() + ". The TOC file was deleted; the repaired mailbox waits as '" +
                           newMbx + "' and the next run puts it in place.");
    }
    result.mended = mended;
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
    auto fail = [&](const std::string& error) {
        report.failed = true;
        report.text = error;
        if (!report.backups.toc.empty()) report.text += "\r\nCreated backup file:\r\n" + report.backups.toc;
        return report;
    };
    // Another run replacing the pair between the two copies would leave a
    // TOC backup that does not belong to the mailbox backup.
    auto lock = RewriteLock::Acquire(mbxKey);
    if (!lock) return fail(lock.error());
    if (haveToc) {
        auto toc = CreateBackup(state, tocPath);
        if (!toc) return fail(toc.error());
        report.backups.toc = *toc;
    }
    if (haveMbx) {
        auto mbx = CreateBackup(state, mbxKey);
        if (!mbx) return fail(mbx.error());
        report.backups.mbx = *mbx;
    }
    if (haveToc && haveMbx)
        report.text = "Created backup files:\r\n'" + report.backups.mbx + "'\r\n'" + report.backups.toc + "'";
    else if (haveMbx)
        report.text = "'" + tocPath + "' not found.\r\nCreated backup file:\r\n" + report.backups.mbx;
    else
        report.text = "'" + mbxKey + "' not found.\r\nCreated backup file:\r\n" + report.backups.toc;
    return report;
}

}  // namespace ledgerly
