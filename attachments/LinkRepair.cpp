#include "attachments/LinkRepair.h"

#include <algorithm>
#include <limits>
#include <unordered_map>

#include "app/Encoding.h"
#include "app/FileHelpers.h"
#include "app/Messages.h"
#include "app/SafeFiles.h"
#include "app/TextHelpers.h"
#include "attachments/References.h"
#include "store/Mailbox.h"
#include "store/PairTransaction.h"
#include "store/Toc.h"

namespace ledgerly {
namespace {

void AddRow(const std::string& path, std::string_view sender, const PathMapper& mapper, std::vector<BrokenLink>& rows) {
    const std::string name = FileNameOfAnyPath(path);
    if (name.empty() || ReferencedFileExists(path, mapper)) return;
    rows.push_back(BrokenLink{name, std::string(sender), path, {}, LinkState::Inicijalno});
}

}  // namespace

const char* LinkStateKey(LinkState state) {
    switch (state) {
        case LinkState::Inicijalno: return "inicijalno";
        case LinkState::Postoji: return "postoji";
        case LinkState::NePostoji: return "ne_postoji";
        case LinkState::ZaBrisanje: return "za_brisanje";
    }
    return "inicijalno";
}

std::optional<std::string> LocalFileOfReference(const std::string& path, const PathMapper& mapper) {
    for (const std::string& spelled : MailSpellings(path)) {
        if (!IsWindowsPath(spelled)) {
            if (FileExists(spelled)) return spelled;
            continue;
        }
        const auto local = mapper.ToLocal(spelled);
        if (local && FileExists(*local)) return local;
    }
    return std::nullopt;
}

bool ReferencedFileExists(const std::string& path, const PathMapper& mapper) { return LocalFileOfReference(path, mapper).has_value(); }

void ObradaZakacenog(std::string_view teloPoruke, std::string_view posiljalac, const PathMapper& mapper,
                     std::vector<BrokenLink>& rows) {
    std::size_t start = 0;
    while (start <= teloPoruke.size()) {
        const std::size_t end = teloPoruke.find("\r\n", start);
        const std::string_view line =
            teloPoruke.substr(start, end == std::string_view::npos ? std::string_view::npos : end - start);
        if (line.substr(0, kAttachmentConverted.size()) == kAttachmentConverted) {
            AddRow(ConvertedPath(line.substr(kAttachmentConverted.size())), posiljalac, mapper, rows);
        } else if (line.substr(0, kXAttachments.size()) == kXAttachments) {
            for (const std::string& piece : XAttachmentPieces(line.substr(kXAttachments.size())))
                AddRow(piece, posiljalac, mapper, rows);
        }
        if (end == std::string_view::npos) break;
        start = end + 2;
    }
}

Result<std::vector<BrokenLink>> FindBrokenLinks(const std::string& mbxPath, const PathMapper& mapper, Host& host) {
    const MailboxPair pair = MailboxPair::FromMailboxPath(mbxPath);
    auto toc = TocImage::Load(pair.toc());
    if (!toc) return toc.status();
    auto reader = MailboxReader::Open(pair.mbx());
    if (!reader) return reader.status();
    std::vector<BrokenLink> rows;
    const std::int32_t count = toc->UsableCount();
    for (std::int32_t k = 1; k <= count; ++k) {
        const MessageSummary s = toc->ReadSummary(k);
        ObradaZakacenog(reader->Fetch(s), TrimAtNull(FieldText(s.Who)), mapper, rows);
        host.Status(std::to_string(k));
        host.Progress("relink", k, count, "messages");
    }
    return rows;
}

void SetNewLocation(BrokenLink& row, const std::string& folder) {
    // The file name comes from mail; the folder is local.
    const std::string base = WithTrailingSeparator(folder);
    row.newLocation = base + Cp1252ToUtf8(row.fileName);
    if (!FileExists(row.newLocation) && FileExists(base + row.fileName)) row.newLocation = base + row.fileName;
    row.state = FileExists(row.newLocation) ? LinkState::Postoji : LinkState::NePostoji;
}

void MarkForRemoval(BrokenLink& row) {
    row.newLocation.clear();
    row.state = LinkState::ZaBrisanje;
}

void ResetLink(BrokenLink& row) {
    row.newLocation.clear();
    row.state = LinkState::Inicijalno;
}

bool HasDecisions(const std::vector<BrokenLink>& rows) {
    for (const BrokenLink& r : rows)
        if (r.state == LinkState::ZaBrisanje || !r.newLocation.empty()) return true;
    return false;
}

namespace {

bool Decided(const BrokenLink& row) {
    return !row.originalLocation.empty() && (row.state == LinkState::ZaBrisanje || !row.newLocation.empty());
}

std::vector<std::string> FoldedOriginals(const std::vector<BrokenLink>& rows) {
    std::vector<std::string> out;
    for (const BrokenLink& row : rows)
        if (Decided(row)) out.push_back(FoldText(row.originalLocation));
    return out;
}

}  // namespace

LinkEdits::LinkEdits(const std::vector<BrokenLink>& rows, const PathMapper& mapper)
    : patterns_(FoldedOriginals(rows), PatternSet::Case::IgnoreCase) {
    // Equal originals share one pattern id: the first edit that has it.
    std::unordered_map<std::string, int> ids;
    for (const BrokenLink& row : rows) {
        if (!Decided(row)) continue;
        const int index = static_cast<int>(edits_.size());
        const auto [it, added] = ids.emplace(FoldText(row.originalLocation), index);
        const bool remove = row.state == LinkState::ZaBrisanje;
        edits_.push_back({row.originalLocation, remove ? std::string() : NativeToMail(mapper.ForMail(row.newLocation)), it->second});
        if (added) byPattern_.resize(edits_.size());
        byPattern_[static_cast<std::size_t>(it->second)].push_back(index);
    }
}

// Rows apply one after another, and a row applies when its old path is in
// the text as the rows before it left it. So: find which old paths are in the
// text, apply the earliest row after the last applied one whose old path is
// there, and look again, since a replacement can add or remove old paths.
int LinkEdits::Apply(std::string& text) const {
    int changes = 0;
    int next = 0;
    for (;;) {
        int best = -1;
        for (const int id : patterns_.Present(text)) {
            const std::vector<int>& list = byPattern_[static_cast<std::size_t>(id)];
            const auto it = std::lower_bound(list.begin(), list.end(), next);
            if (it != list.end() && (best < 0 || *it < best)) best = *it;
        }
        if (best < 0) return changes;
        const Edit& edit = edits_[static_cast<std::size_t>(best)];
        text = ReplaceAllNoCase(text, edit.original, edit.replacement);
        ++changes;
        next = best + 1;
    }
}

int ApplyLinks(std::string& text, const std::vector<BrokenLink>& rows, const PathMapper& mapper) {
    return LinkEdits(rows, mapper).Apply(text);
}

std::string RewriteReport::Closing() const {
    std::string text = msg::kDone;
    if (!recovered.empty()) text += " " + recovered;
    if (uncoveredBytes > 0)
        text += " " + std::to_string(uncoveredBytes) + " bytes of the mailbox file belonged to no message and were left out; the backup '" +
                mbxBackup + "' holds them.";
    return text;
}

Result<RewriteReport> RewriteAttachmentLinks(ToolContext& context, const std::string& mbxPath,
                                             const std::vector<BrokenLink>& rows, const PathMapper& mapper, bool pauses) {
    using R = Result<RewriteReport>;
    if (context.host.EudoraRunning()) return R::Fail(msg::kCloseEudora);
    auto txn = PairTransaction::Begin(MailboxPair::FromMailboxPath(mbxPath), {PairChange::MailboxAndToc}, &context.state);
    if (!txn) return txn.status();
    RewriteReport report;
    report.recovered = txn->Recovered();
    report.uncoveredBytes = txn->Check().uncoveredBytes;
    report.tocBackup = txn->Backups().toc;
    report.mbxBackup = txn->Backups().mbx;
    auto fail = [&report](const Status& s) { return R::Fail(JoinSentences(report.recovered, s.error())); };

    const LinkEdits edits(rows, mapper);
    TocImage& toc = txn->Toc();
    const std::int32_t count = toc.UsableCount();
    for (std::int32_t k = 1; k <= count; ++k) {
        if (context.host.StopRequested()) return fail(txn->AbandonWith(msg::kStopped));
        MessageSummary s = toc.ReadSummary(k);
        std::string text = txn->Mailbox().Fetch(s);
        if (pauses && k % 100 == 0) context.host.Wait(150);
        report.changes += edits.Apply(text);
        context.host.Status(std::to_string(report.changes) + " / " + std::to_string(k));
        context.host.Progress("relink", k, count, "messages");
        const std::int64_t offset = txn->NewMailboxSize();
        if (offset + static_cast<std::int64_t>(text.size()) > std::numeric_limits<std::int32_t>::max())
            return fail(txn->AbandonWith("The rewritten mailbox would be larger than a TOC file can describe (2 GB)."));
        s.Offset = static_cast<std::int32_t>(offset);
        s.Length = static_cast<std::int32_t>(text.size());
        toc.WriteSummary(k, s);
        if (Status st = txn->AppendToMailbox(text); !st) return fail(st);
        ++report.messages;
    }
    if (Status st = txn->Commit(); !st) return fail(st);
    return report;
}

std::string BrokenCountText(std::size_t rows) { return std::to_string(rows) + " broken attachment-references found."; }

std::string FolderMissingText(const std::string& folderText) { return "Folder '" + folderText + "' does not exsit."; }

}  // namespace ledgerly
