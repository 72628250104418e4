#include "body/Delimiters.h"

#include <filesystem>

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

std::string InsertMissingDelimiterBreaks(std::string_view content, std::int64_t* mended) {
    std::string out;
    out.reserve(content.size());
    std::int64_t count = 0;
    std::size_t from = 0;
    for (std::size_t at; (at = content.find(kRunIn, from)) != std::string_view::npos;) {
        out.append(content, from, at + kEndTagSize - from);
        out += kCrLf;
        from = at + kEndTagSize;
        ++count;
    }
    out.append(content, from, std::string_view::npos);
    if (mended) *mended = count;
    return out;
}

Result<std::int64_t> RepairDelimiters(const std::string& mbxPath) {
    const auto content = ReadWholeFile(mbxPath);
    if (!content) return Result<std::int64_t>::Fail("Cannot read '" + mbxPath + "'. Nothing was changed.");
    std::int64_t mended = 0;
    const std::string repaired = InsertMissingDelimiterBreaks(*content, &mended);
    if (mended == 0) return mended;
    if (Status s = WriteWholeFileChecked(mbxPath, repaired); !s) return Result<std::int64_t>::Fail(s.error() + " The mailbox file was not changed.");
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
    if (std::filesystem::exists(pair.toc() + std::string(kNewSuffix), ec)) return R::Fail(recovered + " Nothing was changed.");
    auto backups = BackupPair(context.state, pair.pairPath);
    if (!backups) return backups.status();
    result.backups = *backups;

    // The repaired mailbox is complete on disk under its temporary name before
    // anything changes; then the TOC file goes (a repaired mailbox beside the
    // old TOC would not agree with it; a mailbox without one Eudora rebuilds),
    // then the new mailbox takes the old one's place. A crash in between is
    // finished by RecoverInterruptedRewrite.
    const auto content = ReadWholeFile(pair.mbx());
    if (!content) return R::Fail("Cannot read '" + pair.mbx() + "'. Nothing was changed.");
    std::int64_t mended = 0;
    const std::string repaired = InsertMissingDelimiterBreaks(*content, &mended);
    const std::string newMbx = pair.mbx() + std::string(kNewSuffix);
    if (mended > 0) {
        if (Status s = WriteWholeFileChecked(newMbx, repaired); !s) return R::Fail(s.error() + " Nothing was changed.");
    }
    if (FileExists(pair.toc())) {
        std::filesystem::remove(pair.toc(), ec);
        if (ec) {
            std::filesystem::remove(newMbx, ec);
            return R::Fail("Cannot delete '" + pair.toc() + "'. Nothing was changed.");
        }
        result.tocDeleted = true;
    }
    if (mended > 0) {
        std::filesystem::rename(newMbx, pair.mbx(), ec);
        if (ec)
            return R::Fail("Cannot replace '" + pair.mbx() + "': " + ec.message() + ". The TOC file was deleted; the repaired mailbox waits as '" +
                           newMbx + "' and the next run puts it in place.");
    }
    result.mended = mended;
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
    auto fail = [&](const std::string& error) {
        report.failed = true;
        report.text = error;
        if (!report.backups.toc.empty()) report.text += "\r\nCreated backup file:\r\n" + report.backups.toc;
        return report;
    };
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
