#include "store/PairCheck.h"

#include <algorithm>
#include <utility>

#include "app/FileHelpers.h"

namespace ledgerly {
namespace {

// Delimiters ("From ???@???") that begin in [begin, end) of the mailbox
// file: messages no summary lists. One run straight into the text before
// it (a glued "</x-html>From ???@???") is a message all the same.
std::int64_t DelimitersIn(const MailboxReader& reader, std::int64_t begin, std::int64_t end) {
    constexpr std::int64_t kPiece = std::int64_t{1} << 20;
    const auto width = static_cast<std::int64_t>(kDelimiterStart.size());
    std::int64_t count = 0;
    for (std::int64_t at = begin; at < end; at += kPiece) {
        const std::int64_t length = std::min(kPiece, end - at);
        // A delimiter that starts in this piece may end in the next.
        const std::string piece = reader.Read(at, length + width - 1);
        for (std::size_t i = piece.find(kDelimiterStart); i != std::string::npos && static_cast<std::int64_t>(i) < length;
             i = piece.find(kDelimiterStart, i + 1))
            ++count;
    }
    return count;
}

}  // namespace

bool PairProblem::IsError() const {
    switch (kind) {
        case PairProblemKind::MissingMailbox:
        case PairProblemKind::MissingToc:
        case PairProblemKind::UnreadableFile:
        case PairProblemKind::TocTooShort:
        case PairProblemKind::TocShort:
        case PairProblemKind::RangeOutside: return true;
        default: return false;
    }
}

bool PairReport::Consistent() const { return FirstError() == nullptr; }

bool PairReport::BreaksSoundness(const PairProblem& p) {
    return p.IsError() || p.kind == PairProblemKind::NoDelimiter || p.kind == PairProblemKind::Overlap ||
           p.kind == PairProblemKind::UnlistedMessages;
}

bool PairReport::BlocksChange(const PairProblem& p) {
    return p.IsError() || p.kind == PairProblemKind::Overlap || p.kind == PairProblemKind::NegativeCount ||
           p.kind == PairProblemKind::UnlistedMessages;
}

const PairProblem* PairReport::RefusesChange() const {
    for (const PairProblem& p : problems)
        if (BlocksChange(p)) return &p;
    return nullptr;
}

bool PairReport::Sound() const {
    for (const PairProblem& p : problems)
        if (BreaksSoundness(p)) return false;
    return true;
}

const PairProblem* PairReport::FirstError() const {
    for (const PairProblem& p : problems)
        if (p.IsError()) return &p;
    return nullptr;
}

PairReport CheckPairImage(const TocImage& toc, std::int64_t mailboxSize, const MailboxReader* reader) {
    PairReport r;
    r.mailboxSize = mailboxSize;
    auto add = [&](PairProblemKind kind, std::int32_t k, std::string text) { r.problems.push_back({kind, k, std::move(text)}); };
    if (!toc.HasHeader()) {
        add(PairProblemKind::TocTooShort, 0, "The TOC file holds " + std::to_string(toc.bytes().size()) + " bytes, less than its 104-byte header.");
        return r;
    }
    r.announced = toc.AnnouncedCount();
    r.usable = toc.UsableCount();
    if (r.announced < 0)
        add(PairProblemKind::NegativeCount, 0, "The TOC header announces " + std::to_string(r.announced) + " messages; it is read as empty.");
    if (r.usable < r.announced)
        add(PairProblemKind::TocShort, 0, "The TOC header announces " + std::to_string(r.announced) + " summaries but the file holds only " + std::to_string(r.usable) + ".");
    const std::int64_t expectedSize = SummaryOffset(std::max<std::int32_t>(r.announced, 0) + 1);
    if (r.usable == std::max<std::int32_t>(r.announced, 0) && static_cast<std::int64_t>(toc.bytes().size()) > expectedSize)
        add(PairProblemKind::TrailingTocBytes, 0, "The TOC file has " + std::to_string(static_cast<std::int64_t>(toc.bytes().size()) - expectedSize) + " bytes after its last summary.");

    std::vector<std::pair<std::int64_t, std::int64_t>> ranges;  // [begin, end) of the sound ranges
    std::int64_t prevEnd = -1;
    for (std::int32_t k = 1; k <= r.usable; ++k) {
        const MessageSummary s = toc.ReadSummary(k);
        const std::int64_t begin = s.Offset, end = static_cast<std::int64_t>(s.Offset) + s.Length;
        if (s.Offset < 0 || s.Length < 0 || end > mailboxSize) {
            add(PairProblemKind::RangeOutside, k, "Summary " + std::to_string(k) + ": bytes " + std::to_string(begin) + " to " + std::to_string(end) +
                " lie outside the mailbox file of " + std::to_string(mailboxSize) + " bytes.");
            continue;
        }
        if (reader && s.Length > 0 && reader->Read(begin, static_cast<std::int64_t>(kDelimiterStart.size())) != kDelimiterStart)
            add(PairProblemKind::NoDelimiter, k, "Summary " + std::to_string(k) + ": the message at byte " + std::to_string(begin) + " does not start with \"From ???@???\".");
        if (prevEnd > begin && s.Length > 0)
            add(PairProblemKind::Overlap, k, "Summary " + std::to_string(k) + ": its bytes overlap those of the summary before it.");
        if (s.Length > 0) { prevEnd = end; ranges.emplace_back(begin, end); }
    }
    std::sort(ranges.begin(), ranges.end());
    std::int64_t covered = 0, reach = 0, unlisted = 0;
    auto gap = [&](std::int64_t from, std::int64_t to) {
        if (reader && to > from) unlisted += DelimitersIn(*reader, from, to);
    };
    for (const auto& [b, e] : ranges) {
        gap(reach, b);
        const std::int64_t from = std::max(b, reach);
        if (e > from) covered += e - from;
        reach = std::max(reach, e);
    }
    gap(reach, mailboxSize);
    r.uncoveredBytes = mailboxSize - covered;
    if (r.uncoveredBytes > 0)
        add(PairProblemKind::Uncovered, 0, std::to_string(r.uncoveredBytes) + " bytes of the mailbox file belong to no summary.");
    if (unlisted > 0) {
        r.unlistedMessages = static_cast<std::int32_t>(std::min<std::int64_t>(unlisted, kMaxMessageCount + 1));
        const auto listed = static_cast<std::int64_t>(ranges.size());
        add(PairProblemKind::UnlistedMessages, 0, "The TOC lists " + std::to_string(listed) + " of the " + std::to_string(listed + unlisted) +
            " messages in the mailbox.");
    }
    return r;
}

PairReport CheckPair(const MailboxPair& pair) {
    PairReport r;
    const bool haveMbx = FileExists(pair.mbx()), haveToc = FileExists(pair.toc());
    if (!haveMbx) r.problems.push_back({PairProblemKind::MissingMailbox, 0, "The mailbox file '" + pair.mbx() + "' does not exist."});
    if (!haveToc) r.problems.push_back({PairProblemKind::MissingToc, 0, "The TOC file '" + pair.toc() + "' does not exist."});
    if (!haveMbx || !haveToc) return r;
    auto toc = TocImage::Load(pair.toc());
    auto reader = MailboxReader::Open(pair.mbx());
    if (!toc) { r.problems.push_back({PairProblemKind::UnreadableFile, 0, toc.error()}); return r; }
    if (!reader) { r.problems.push_back({PairProblemKind::UnreadableFile, 0, reader.error()}); return r; }
    return CheckPairImage(*toc, reader->Size(), &*reader);
}

namespace {

// Both files of the pair loaded for reading; a missing one is named.
Result<std::pair<TocImage, MailboxReader>> OpenPairFiles(const MailboxPair& pair) {
    using R = Result<std::pair<TocImage, MailboxReader>>;
    if (!FileExists(pair.mbx()) || !FileExists(pair.toc())) return R::Fail(CheckPair(pair).FirstError()->text);
    auto toc = TocImage::Load(pair.toc());
    if (!toc) return toc.status();
    auto reader = MailboxReader::Open(pair.mbx());
    if (!reader) return reader.status();
    return std::pair<TocImage, MailboxReader>(std::move(*toc), std::move(*reader));
}

}  // namespace

Result<CheckedPair> OpenCheckedPair(const MailboxPair& pair) {
    auto opened = OpenPairFiles(pair);
    if (!opened) return opened.status();
    auto& [toc, reader] = *opened;
    const PairReport report = CheckPairImage(toc, reader.Size(), &reader);
    if (const PairProblem* problem = report.FirstError()) return Result<CheckedPair>::Fail(problem->text);
    return CheckedPair{std::move(toc), std::move(reader)};
}

const PairProblem* ReadablePair::Unreadable(std::int32_t k) const {
    const auto it = std::lower_bound(unreadable.begin(), unreadable.end(), k,
                                     [](const PairProblem& p, std::int32_t wanted) { return p.summary < wanted; });
    return it != unreadable.end() && it->summary == k ? &*it : nullptr;
}

Result<ReadablePair> OpenReadablePair(const MailboxPair& pair) {
    auto opened = OpenPairFiles(pair);
    if (!opened) return opened.status();
    auto& [toc, reader] = *opened;
    PairReport report = CheckPairImage(toc, reader.Size(), nullptr);
    ReadablePair out{std::move(toc), std::move(reader), {}, 0};
    for (PairProblem& p : report.problems) {
        if (p.kind == PairProblemKind::RangeOutside || p.kind == PairProblemKind::TocShort) {
            out.unreadable.push_back(std::move(p));
        } else if (p.IsError()) {
            return Result<ReadablePair>::Fail(p.text);
        }
    }
    out.lacking = std::max(report.announced, 0) - report.usable;
    return out;
}

}  // namespace ledgerly
