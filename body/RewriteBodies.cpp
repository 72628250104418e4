#include "body/RewriteBodies.h"

#include <limits>

#include "app/FileHelpers.h"
#include "app/Messages.h"
#include "app/SafeFiles.h"
#include "body/BodyTransforms.h"
#include "body/StripHtml.h"
#include "store/Mailbox.h"
#include "store/PairTransaction.h"

namespace ledgerly {
namespace {

// The pause before message i keeps the window live during the slower transforms.
int PauseBefore(RewriteMode mode, std::int32_t i) {
    if (mode == RewriteMode::StripHtml && i % 100 == 0) return 100;
    if (mode == RewriteMode::Rot13 && i % 10 == 0) return 20;
    return 0;
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
    // The common case, a message with its empty line, is split in place: the
    // transformed body replaces the old one behind the header part.
    if (const std::size_t at = message.find(kBlankLine); at != std::string::npos) {
        if (at > kMaxHeaderPart) {
            if (keptWhole) *keptWhole = true;
            return message;
        }
        std::string body = TransformBody(mode, std::string_view(message).substr(at));
        message.resize(at);
        message += body;
        return message;
    }
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

    auto txn = PairTransaction::Begin(MailboxPair::FromMailboxPath(mbxPath), {PairChange::MailboxAndToc}, &context.state);
    if (!txn) return txn.status();
    RewriteResult result;
    result.recovered = txn->Recovered();
    result.uncoveredBytes = txn->Check().uncoveredBytes;
    result.backups = txn->Backups();
    result.oldSize = txn->Mailbox().Size();
    // A failure also tells what was done about an earlier interrupted run.
    auto fail = [&result](const Status& s) { return R::Fail(JoinSentences(result.recovered, s.error())); };

    TocImage& toc = txn->Toc();
    const std::int32_t n = toc.UsableCount();
    for (std::int32_t i = 1; i <= n; ++i) {
        if (context.host.StopRequested()) return fail(txn->AbandonWith(msg::kStopped));
        MessageSummary s = toc.ReadSummary(i);
        std::string message = txn->Mailbox().Fetch(s);
        if (const int ms = PauseBefore(mode, i); ms > 0) context.host.Wait(ms);
        bool keptWhole = false;
        const std::string text = RewriteMessage(mode, std::move(message), &keptWhole);
        if (keptWhole) ++result.keptWhole;
        const std::int64_t offset = txn->NewMailboxSize();
        if (offset + static_cast<std::int64_t>(text.size()) > std::numeric_limits<std::int32_t>::max())
            return fail(txn->AbandonWith("The rewritten mailbox would be larger than a TOC file can describe (2 GB)."));
        s.Offset = static_cast<std::int32_t>(offset);
        s.Length = static_cast<std::int32_t>(text.size());
        toc.WriteSummary(i, s);
        if (Status st = txn->AppendToMailbox(text); !st) return fail(st);
        context.host.Status(std::to_string(i));
        context.host.Progress(RunName(mode), i, n, "messages");
    }
    result.messages = n;
    result.newSize = txn->NewMailboxSize();
    if (Status st = txn->Commit(); !st) return fail(st);
    return result;
}

}  // namespace ledgerly
