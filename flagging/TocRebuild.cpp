#include "flagging/TocRebuild.h"

#include <algorithm>
#include <cstring>
#include <filesystem>
#include <map>

#include "app/Encoding.h"
#include "app/Messages.h"
#include "app/SafeFiles.h"
#include "app/FileHelpers.h"
#include "app/TextHelpers.h"
#include "store/ColumnWidths.h"
#include "store/MessageScan.h"
#include "store/PairBackups.h"
#include "store/PairTransaction.h"
#include "store/RewriteLock.h"

namespace ledgerly {
namespace {

namespace fs = std::filesystem;

// The most a TOC file can hold; bytes beyond are never read.
constexpr std::int64_t kLargestToc = SummaryOffset(kMaxMessageCount + 1);
constexpr std::int64_t kLargestMailbox = 0x7FFFFFFF;  // Offset and Length are 32-bit

// At most `limit` bytes from the start of a regular file (nothing else is read).
Result<std::string> ReadHead(const std::string& path, std::int64_t limit) {
    auto file = FileHandle::OpenForReading(path);
    if (!file) return file.status();
    auto size = file->Size();
    if (!size) return size.status();
    std::string bytes(static_cast<std::size_t>(std::clamp<std::int64_t>(*size, 0, limit)), '\0');
    auto got = file->ReadAt(0, bytes.data(), bytes.size());
    if (!got) return got.status();
    bytes.resize(*got);
    return bytes;
}

// A header whose version is one Eudora writes; anything else is not a header
// worth keeping (a zeroed or overwritten file).
bool IsReadableHeader(const TocHeader& h) { return h.Version() == 0x30 || h.Version() == 0x31; }

struct Neighbour {
    std::uint16_t version = 0x31;
    std::array<std::int16_t, 8> widths{};
    bool found = false;
};

// The version most of the folder's other TOC files have, and the column widths
// of the first of them (in name order).
Neighbour NeighbourHeader(const std::string& folder, const std::string& ownToc) {
    std::vector<std::string> names;
    for (const FolderEntry& e : ListFolder(folder))
        if (!e.isFolder && EndsWithNoCase(e.name, ".toc")) names.push_back(e.name);
    std::sort(names.begin(), names.end());
    std::map<std::uint16_t, int> votes;
    std::map<std::uint16_t, std::array<std::int16_t, 8>> widths;
    for (const std::string& name : names) {
        const std::string path = PathText(FsPath(folder) / FsPath(name));
        std::error_code ec;
        if (fs::equivalent(FsPath(path), FsPath(ownToc), ec)) continue;
        const auto head = ReadHead(path, static_cast<std::int64_t>(kTocHeaderSize));
        if (!head || head->size() < kTocHeaderSize) continue;
        const TocHeader h = TocHeader::Parse(std::span<const char, kTocHeaderSize>(head->data(), kTocHeaderSize));
        if (!IsReadableHeader(h)) continue;
        ++votes[h.Version()];
        widths.try_emplace(h.Version(), h.ColumnWidths);
    }
    Neighbour n;
    int best = 0;
    for (const auto& [version, count] : votes)
        if (count > best) { best = count; n.version = version; n.widths = widths[version]; n.found = true; }
    return n;
}

TocHeader MadeHeader(const MailboxPair& pair, const std::string& dataFolder) {
    TocHeader h;
    const std::string name = GetFileName(pair.mbx(), true);
    const std::string shown = Utf8ToCp1252(name).substr(0, h.MailboxName.size() - 1);  // NUL-terminated
    std::memcpy(h.MailboxName.data(), shown.data(), shown.size());
    h.MailboxType = EqualsNoCase(name, "In") ? 0 : EqualsNoCase(name, "Out") ? 1 : 2;
    const std::string folder = PathText(FsPath(pair.mbx()).parent_path());
    Neighbour n = NeighbourHeader(folder.empty() ? "." : folder, pair.toc());
    if (!n.found && !dataFolder.empty()) n = NeighbourHeader(dataFolder, pair.toc());
    h.SetVersion(n.version);
    if (n.found) h.ColumnWidths = n.widths;
    else SetColumnWidths(h, kDefaultColumnWidths);
    return h;
}

// A field as the mailbox window showed it, for people; control characters
// of a damaged record are not passed on to a terminal.
std::string Shown(std::span<const char> field) {
    std::string text = TrimAtNull(std::string_view(field.data(), field.size()));
    std::replace_if(text.begin(), text.end(), [](char c) { return static_cast<unsigned char>(c) < 0x20 || c == 0x7F; }, '?');
    return Cp1252ToUtf8(text);
}

std::string Bytes(std::int64_t n) { return std::to_string(n) + (n == 1 ? " byte" : " bytes"); }
std::string Messages(std::int64_t n) { return std::to_string(n) + (n == 1 ? " message" : " messages"); }

bool TocOlderThanMailbox(const MailboxPair& pair) {
    std::error_code e1, e2;
    const auto toc = fs::last_write_time(FsPath(pair.toc()), e1), mbx = fs::last_write_time(FsPath(pair.mbx()), e2);
    return !e1 && !e2 && toc < mbx;
}

}  // namespace

MessageSummary NewSummary(std::string_view message, const FieldDecodeFn& decode) {
    MessageSummary s;  // every byte zero
    std::fill(s.Reserved178.begin(), s.Reserved178.begin() + 8, '\xFF');
    const bool received = RefreshSummaryFields(s, message, RefreshSelectors::All(), decode);
    s.Status = StatusValue(received ? MessageState::Recovered : MessageState::Sent);
    return s;
}

Result<TocRebuildPlan> PlanTocRebuild(const MailboxPair& pair, const TocRebuildSources& sources, const std::string& dataFolder,
                                      const FieldDecodeFn& decode, Host& host) {
    using R = Result<TocRebuildPlan>;
    TocRebuildPlan plan;
    TocRebuildReport& report = plan.report;
    report.mailbox = pair.mbx();

    auto reader = MailboxReader::Open(sources.mailbox);
    if (!reader) return reader.status();
    const std::int64_t size = reader->Size();
    if (size > kLargestMailbox)
        return R::Fail("The mailbox file '" + pair.mbx() + "' holds " + Bytes(size) + ", more than a TOC file can describe (2 GB).");
    const std::string oldPath = sources.oldMailbox.empty() ? sources.mailbox : sources.oldMailbox;
    auto oldReader = MailboxReader::Open(oldPath);
    if (!oldReader) return oldReader.status();

    // The old TOC, as much of it as there is: every whole record counts,
    // whatever the header announces.
    std::string oldBytes;
    report.tocExisted = FileExists(pair.toc());
    if (report.tocExisted) {
        auto head = ReadHead(pair.toc(), kLargestToc);
        if (!head) return head.status();
        oldBytes = std::move(*head);
    }
    const TocImage oldToc = std::move(TocImage::FromBytes(oldBytes)).value();
    const std::int32_t records = oldToc.HasHeader()
        ? static_cast<std::int32_t>((static_cast<std::int64_t>(oldBytes.size()) - static_cast<std::int64_t>(kTocHeaderSize)) /
                                    static_cast<std::int64_t>(kSummarySize))
        : 0;
    std::vector<MessageSummary> old;
    std::vector<OldSummaryPlace> places;
    old.reserve(static_cast<std::size_t>(records));
    for (std::int32_t k = 1; k <= records; ++k) {
        old.push_back(oldToc.ReadSummary(k));
        const MessageRange described{old.back().Offset, old.back().Length};
        MessageRange now = described;
        if (sources.movedTo && described.offset >= 0 && described.length > 0) {
            now.offset = sources.movedTo(described.offset);
            now.length = sources.movedTo(described.End()) - now.offset;
        }
        places.push_back({described, now});
    }

    // Where messages begin: every delimiter line, and every place the old TOC
    // says a message begins that holds a delimiter (one run into the line
    // before it, which Eudora kept apart). Bytes before the first message
    // belong to none, so they must not hide a delimiter either.
    MessageStartScanner scanner;
    if (Status s = ReadInPieces(sources.mailbox, [&](std::string_view piece) { scanner.Feed(piece); return Status(); }); !s) return s;
    std::vector<std::int64_t> starts = scanner.Starts();
    const std::size_t lineStarts = starts.size();
    if (scanner.FirstDelimiter() >= 0 && (starts.empty() || scanner.FirstDelimiter() < starts.front())) starts.push_back(scanner.FirstDelimiter());
    for (const OldSummaryPlace& p : places) {
        const std::int64_t at = p.now.offset;
        if (at < 0 || at >= size || std::binary_search(starts.begin(), starts.begin() + static_cast<std::ptrdiff_t>(lineStarts), at)) continue;
        if (reader->Read(at, static_cast<std::int64_t>(kDelimiterStart.size())) == kDelimiterStart) starts.push_back(at);
    }
    const std::vector<MessageRange> messages = RangesFromStarts(std::move(starts), size);
    if (messages.size() > static_cast<std::size_t>(kMaxMessageCount))
        return R::Fail("The mailbox file '" + pair.mbx() + "' holds " + Messages(static_cast<std::int64_t>(messages.size())) +
                       ", more than a TOC file can describe (32,767).");
    report.uncoveredBytes = messages.empty() ? size : messages.front().offset;

    const SummaryMatch match = MatchSummaries(
        messages, places,
        [&](std::size_t i) -> std::optional<std::uint64_t> { return MessageHash(reader->Read(messages[i].offset, messages[i].length)); },
        [&](std::size_t k) -> std::optional<std::uint64_t> {
            const MessageRange r = places[k].described;
            if (r.offset < 0 || r.length <= 0 || r.End() > oldReader->Size()) return std::nullopt;
            return MessageHash(oldReader->Read(r.offset, r.length));
        });

    TocHeader header = oldToc.ReadHeader();
    report.headerKept = oldToc.HasHeader() && IsReadableHeader(header);
    if (!report.headerKept) header = MadeHeader(pair, dataFolder);
    header.MessageCount = static_cast<std::int16_t>(messages.size());
    // "Not recorded" in a kept header stays so, as Eudora left it.
    if (!report.headerKept || header.RecordedMailboxSize() != 0) header.SetRecordedMailboxSize(static_cast<std::uint32_t>(size + 1));
    const auto rawHeader = header.Serialize();
    plan.tocBytes.assign(rawHeader.data(), rawHeader.size());
    plan.tocBytes.reserve(static_cast<std::size_t>(SummaryOffset(static_cast<std::int64_t>(messages.size()) + 1)));

    const auto total = static_cast<std::int64_t>(messages.size());
    for (std::size_t i = 0; i < messages.size(); ++i) {
        if (host.StopRequested()) return R::Fail(msg::kStopped);
        const std::int32_t k = match.summaryFor[i];
        MessageSummary s;
        if (k >= 0) {
            s = old[static_cast<std::size_t>(k)];
            ++report.kept;
        } else {
            s = NewSummary(reader->Read(messages[i].offset, messages[i].length), decode);
            ++report.added;
        }
        s.Offset = static_cast<std::int32_t>(messages[i].offset);
        s.Length = static_cast<std::int32_t>(messages[i].length);
        const auto raw = s.Serialize();
        plan.tocBytes.append(raw.data(), raw.size());
        host.Status(std::to_string(i + 1));
        host.Progress("rebuild-toc", static_cast<std::int64_t>(i + 1), total, "messages");
    }
    for (std::int32_t k : match.unmatched) {
        const MessageSummary& s = old[static_cast<std::size_t>(k)];
        report.dropped.push_back({k + 1, s.Offset, s.Length, Shown(s.Who), Shown(s.Subject)});
    }
    report.unchanged = report.tocExisted && plan.tocBytes == oldBytes;
    report.olderThanMailbox = report.unchanged && TocOlderThanMailbox(pair);
    return plan;
}

Result<TocRebuildReport> RebuildToc(ToolContext& context, const std::string& mbxPath, bool dryRun, const FieldDecodeFn& decode) {
    const MailboxPair pair = MailboxPair::FromMailboxPath(mbxPath);
    const TocRebuildSources sources{pair.mbx(), {}, {}};
    // A first look, to ask with: nothing is locked or backed up for a run
    // that only reports, or that the user declines.
    auto preview = PlanTocRebuild(pair, sources, context.state.paths.DataFolder, decode, context.host);
    if (!preview) return Result<TocRebuildReport>::Fail(JoinSentences(preview.error(), "Nothing was changed."));
    if (dryRun) return preview->report;
    if (preview->report.unchanged) {
        if (preview->report.olderThanMailbox) {
            // Right as it is, but Eudora would rebuild it: only its time is renewed.
            auto lock = RewriteLock::Acquire(pair.mbx());
            if (!lock) return lock.status();
            std::error_code ec;
            fs::last_write_time(FsPath(pair.toc()), fs::file_time_type::clock::now(), ec);
            if (ec) return Result<TocRebuildReport>::Fail("Cannot renew the time of '" + pair.toc() + "': " + ec.message() + ".");
            preview->report.timeRenewed = true;
        }
        return preview->report;
    }
    if (!context.host.Ask(preview->report.Question(), msg::kTitle)) {
        preview->report.declined = true;
        return preview->report;
    }

    PairTransactionOptions options;
    options.change = PairChange::TocOnly;
    options.allowInconsistentPair = true;  // what this tool is for
    auto transaction = PairTransaction::Begin(pair, options, &context.state);
    if (!transaction) return transaction.status();
    // Both files are backed up, under the transaction's lock and one number:
    // the mailbox is what the new TOC is read from, and its copy is the pair
    // the old TOC belonged to.
    auto backups = BackUpPair(pair);
    if (!backups) return transaction->AbandonWith(backups.error());
    if (!backups->toc.empty()) context.state.TocBackupPath = backups->toc;
    context.state.MbxBackupPath = backups->mbx;
    // The files as they are now, under the lock.
    auto plan = PlanTocRebuild(pair, sources, context.state.paths.DataFolder, decode, context.host);
    if (!plan) {
        transaction->Abandon();
        const std::string made = backups->toc.empty() ? "the backup '" + backups->mbx + "' was made"
                                                      : "the backups '" + backups->toc + "' and '" + backups->mbx + "' were made";
        return Result<TocRebuildReport>::Fail(JoinSentences(plan.error(), "Nothing was changed; " + made + "."));
    }
    TocRebuildReport& report = plan->report;
    report.recovered = transaction->Recovered();
    report.tocBackup = backups->toc;
    report.mbxBackup = backups->mbx;
    if (report.unchanged) return report;  // mended by someone else meanwhile
    transaction->Toc() = std::move(TocImage::FromBytes(std::move(plan->tocBytes))).value();
    if (Status s = transaction->Commit(); !s) return s;
    report.written = true;
    return report;
}

std::vector<std::string> TocRebuildReport::Lines(std::size_t maxDropped) const {
    std::vector<std::string> lines;
    const std::int32_t messages = kept + added;
    if (!tocExisted) {
        lines.push_back("No TOC file: a new one describes " + Messages(messages) + ".");
    } else {
        lines.push_back(Messages(kept) + (kept == 1 ? " keeps its" : " keep their") + " summary, " + Messages(added) +
                        (added == 1 ? " gets" : " get") + " a new one (marked recovered or sent), " + std::to_string(dropped.size()) + " old " +
                        (dropped.size() == 1 ? "summary matches" : "summaries match") + " no message.");
        if (!headerKept) lines.push_back("The old TOC header cannot be read: a new one is made from the file name.");
    }
    for (std::size_t i = 0; i < dropped.size() && i < maxDropped; ++i) {
        const Dropped& d = dropped[i];
        lines.push_back("Dropped: summary " + std::to_string(d.summary) + " (bytes " + std::to_string(d.offset) + " to " +
                        std::to_string(d.offset + d.length) + "): \"" + d.who + "\", \"" + d.subject + "\"");
    }
    if (dropped.size() > maxDropped) lines.push_back("Dropped: " + std::to_string(dropped.size() - maxDropped) + " more summaries.");
    if (uncoveredBytes > 0)
        lines.push_back("The first " + Bytes(uncoveredBytes) + " of the mailbox file come before its first message and belong to none.");
    if (unchanged) lines.push_back("The TOC file already describes every message: nothing was written.");
    if (timeRenewed) lines.push_back("It was older than its mailbox file (Eudora would have rebuilt it): its time was renewed.");
    else if (olderThanMailbox) lines.push_back("It is older than its mailbox file: Eudora will rebuild it, losing the states, unless its time is renewed (run without --dry-run).");
    if (!tocBackup.empty()) lines.push_back("Backup: " + tocBackup);
    if (!mbxBackup.empty()) lines.push_back("Backup: " + mbxBackup);
    return lines;
}

std::string TocRebuildReport::Question() const {
    std::string q = "Rebuild the TOC file of '" + mailbox + "'?";
    for (const std::string& line : Lines(10)) q += "\r\n" + line;
    q += "\r\nBoth files are backed up first; the mailbox file is not changed.";
    return q;
}

}  // namespace ledgerly
