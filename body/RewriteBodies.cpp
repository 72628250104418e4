#include "body/RewriteBodies.h"

#include <filesystem>
#include <limits>

#include "app/FileHelpers.h"
#include "app/Messages.h"
#include "body/BodyTransforms.h"
#include "store/RewriteLock.h"
#include "body/StripHtml.h"
#include "store/Mailbox.h"
#include "store/PairCheck.h"
#include "store/PairRewrite.h"

namespace ledgerly {
namespace {

// The pause before message i keeps the window live during the slower transforms.
int PauseBefore(RewriteMode mode, std::int32_t i) {
    if (mode == RewriteMode::StripHtml && i % 100 == 0) return 100;
    if (mode == RewriteMode::Rot13 && i % 10 == 0) return 20;
    return 0;
}

// TOC header bytes 96-99 hold the mailbox file's size + 1 when Eudora recorded
// it (0 when not); a recorded size is kept true to the new mailbox file.
void RenewRecordedSize(TocImage& toc, std::int64_t mailboxSize) {
    TocHeader h = toc.ReadHeader();
    if (h.RecordedMailboxSize() == 0) return;
    h.SetRecordedMailboxSize(static_cast<std::uint32_t>(mailboxSize + 1));
    toc.WriteHeader(h);
}

std::string Quoted(const std::string& path) { return "'" + path + "'"; }

const char* RunName(RewriteMode mode) {
    switch (mode) {
        case RewriteMode::StripHtml: return "strip-html";
        case RewriteMode::DecodeQuotedPrintable: return "decode-qp";
        case RewriteMode::Rot13: return "rot13";
        case RewriteMode::Cipher: return "cipher";
        case RewriteMode::Decipher: return "decipher";
    }
    return "rewrite";
}

}  // namespace

std::string TransformBody(RewriteMode mode, std::string_view body) {
    switch (mode) {
        case RewriteMode::StripHtml: return StripHtml(body);
        case RewriteMode::DecodeQuotedPrintable: return DecodeQuotedPrintable(body);
        case RewriteMode::Rot13: return Rot13(body);
        case RewriteMode::Cipher:
        case RewriteMode::Decipher: break;
    }
    return std::string(body);
}

std::string RewriteMessage(RewriteMode mode, std::string message, bool* keptWhole) {
    if (keptWhole) *keptWhole = false;
    // A message of its delimiter line alone has no body: the split would cut
    // the delimiter after its first character and hand the rest to the transform.
    if (message.find_first_of("\r\n") == std::string::npos) return message;
    SplitMessage split = NormaliseAndSplit(message);
    if (split.header.size() > kMaxHeaderPart) {
        if (keptWhole) *keptWhole = true;
        return message;
    }
    std::string out = std::move(split.header);
    out += TransformBody(mode, split.body);
    return out;
}

std::string RewriteResult::ClosingText() const {
    std::string text = msg::kDone;
    if (uncoveredBytes > 0)
        text += " " + std::to_string(uncoveredBytes) + " bytes of the mailbox file belonged to no message and were left out; the backup " +
                Quoted(backups.mbx) + " keeps them.";
    if (keptWhole > 0)
        text += " " + std::to_string(keptWhole) + (keptWhole == 1 ? " message" : " messages") +
                " with a header part longer than 32,767 characters kept unchanged.";
    return text;
}

Result<RewriteResult> RewriteBodies(ToolContext& context, const std::string& mbxPath, RewriteMode mode) {
    using R = Result<RewriteResult>;
    const int m = static_cast<int>(mode);
    if (m < 1 || m > 5) return R::Fail("Unknown body rewrite mode " + std::to_string(m) + ". Nothing was changed.");

    const MailboxPair pair = MailboxPair::FromMailboxPath(mbxPath);
    auto lock = RewriteLock::Acquire(pair.mbx());
    if (!lock) return R::Fail(lock.error());
    RewriteResult result;
    result.recovered = RecoverInterruptedRewrite(pair);

    // A failure also tells what was done about an earlier interrupted run.
    auto fail = [&result](const std::string& text) { return R::Fail(result.recovered.empty() ? text : result.recovered + " " + text); };

    // A new TOC file that could not be put in place belongs to the mailbox file
    // now in place: the old TOC file no longer describes it.
    std::error_code ec;
    if (std::filesystem::exists(FsPath(pair.toc() + std::string(kNewSuffix)), ec)) return fail("Nothing was changed.");

    const PairReport report = CheckPair(pair);
    if (const PairProblem* problem = report.FirstError())
        return fail("The mailbox " + Quoted(pair.mbx()) + " and its TOC file do not agree: " + problem->text + " Nothing was changed.");
    // A count below 0 (more than 32,767 messages, or a damaged header) would
    // read as an empty mailbox and leave every message out of the new one.
    for (const PairProblem& problem : report.problems)
        if (problem.kind == PairProblemKind::NegativeCount)
            return fail("The mailbox " + Quoted(pair.mbx()) + " cannot be rewritten: " + problem.text + " Nothing was changed.");
    result.uncoveredBytes = report.uncoveredBytes;

    auto backups = BackupPair(context.state, pair.pairPath);
    if (!backups) return fail(backups.error());
    result.backups = *backups;
    const std::string kept = " Nothing was changed; the backups " + Quoted(result.backups.toc) + " and " + Quoted(result.backups.mbx) + " were made.";

    auto toc = TocImage::Load(pair.toc());
    if (!toc) return fail(toc.error() + kept);
    auto reader = MailboxReader::Open(pair.mbx());
    if (!reader) return fail(reader.error() + kept);
    result.oldSize = reader->Size();

    auto rewrite = PairRewrite::Begin(pair);
    if (!rewrite) return fail(rewrite.error() + kept);

    const std::int32_t n = toc->UsableCount();
    for (std::int32_t i = 1; i <= n; ++i) {
        MessageSummary s = toc->ReadSummary(i);
        std::string message = reader->Fetch(s);
        if (const int ms = PauseBefore(mode, i); ms > 0) context.host.Wait(ms);
        bool keptWhole = false;
        const std::string text = RewriteMessage(mode, std::move(message), &keptWhole);
        if (keptWhole) ++result.keptWhole;
        const std::int64_t offset = rewrite->Size();
        if (offset + static_cast<std::int64_t>(text.size()) > std::numeric_limits<std::int32_t>::max())
            return fail("The rewritten mailbox would be larger than a TOC file can describe (2 GB)." + kept);
        s.Offset = static_cast<std::int32_t>(offset);
        s.Length = static_cast<std::int32_t>(text.size());
        toc->WriteSummary(i, s);
        if (Status st = rewrite->Append(text); !st) return fail(st.error() + kept);
        context.host.Status(std::to_string(i));
        context.host.Progress(RunName(mode), i, n, "messages");
    }
    result.messages = n;
    result.newSize = rewrite->Size();
    RenewRecordedSize(*toc, result.newSize);

    reader->Close();
    if (Status st = rewrite->Commit(toc->bytes()); !st) {
        if (!rewrite->MailboxReplaced()) return fail(st.error() + kept);
        return fail(st.error() + " The new mailbox file is in place; the next run of a tool on this mailbox completes the TOC file.");
    }
    return result;
}

}  // namespace ledgerly
