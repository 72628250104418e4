#include "attachments/LinkRepair.h"

#include <algorithm>
#include <limits>
#include <unordered_map>

#include "app/Encoding.h"
#include "app/FileHelpers.h"
#include "app/Messages.h"
#include "app/TextHelpers.h"
#include "attachments/References.h"
#include "body/Backup.h"
#include "store/Mailbox.h"
#include "store/PairCheck.h"
#include "store/PairRewrite.h"
#include "store/RewriteLock.h"
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

bool ReferencedFileExists(const std::string& path, const PathMapper& mapper) {
    for (const std::string& spelled : MailSpellings(path)) {
        if (!IsWindowsPath(spelled)) {
            if (FileExists(spelled)) return true;
            continue;
        }
        const auto local = mapper.ToLocal(spelled);
        if (local && FileExists(*local)) return true;
    }
    return false;
}

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

LinkEdits::LinkEdits(const std::vector<BrokenLink>& rows, const PathMapper& mapper) : patterns_(FoldedOriginals(rows)) {
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
        for (const int id : patterns_.Present(FoldText(text))) {
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
    if (context.host.EudoraRunning()) return Result<RewriteReport>::Fail(msg::kCloseEudora);
    const MailboxPair pair = MailboxPair::FromMailboxPath(mbxPath);
    auto lock = RewriteLock::Acquire(pair.mbx());
    if (!lock) return lock.status();
    RewriteReport report;
    report.recovered = RecoverInterruptedRewrite(pair);
    const PairReport check = CheckPair(pair);
    if (!check.Consistent()) {
        const PairProblem* first = check.FirstError();
        return Result<RewriteReport>::Fail((first ? first->text : std::string("The mailbox pair is not consistent.")) +
                                           " Nothing was changed.");
    }
    report.uncoveredBytes = check.uncoveredBytes;

    auto backups = BackupPair(context.state, pair.pairPath);
    if (!backups) return backups.status();
    report.tocBackup = backups->toc;
    report.mbxBackup = backups->mbx;

    auto toc = TocImage::Load(pair.toc());
    if (!toc) return toc.status();
    auto reader = MailboxReader::Open(pair.mbx());
    if (!reader) return reader.status();
    auto rewrite = PairRewrite::Begin(pair);
    if (!rewrite) return rewrite.status();

    const LinkEdits edits(rows, mapper);
    const std::int32_t count = toc->UsableCount();
    for (std::int32_t k = 1; k <= count; ++k) {
        MessageSummary s = toc->ReadSummary(k);
        std::string text = reader->Fetch(s);
        if (pauses && k % 100 == 0) context.host.Wait(150);
        report.changes += edits.Apply(text);
        context.host.Status(std::to_string(report.changes) + " / " + std::to_string(k));
        context.host.Progress("relink", k, count, "messages");
        const std::int64_t offset = rewrite->Size();
        if (offset + static_cast<std::int64_t>(text.size()) > std::numeric_limits<std::int32_t>::max())
            return Result<RewriteReport>::Fail("The rewritten mailbox would pass 2 GB. Nothing was changed.");
        s.Offset = static_cast<std::int32_t>(offset);
        s.Length = static_cast<std::int32_t>(text.size());
        toc->WriteSummary(k, s);
        if (Status st = rewrite->Append(text); !st) return Result<RewriteReport>::Fail(st.error() + " Nothing was changed.");
        ++report.messages;
    }
    reader->Close();
    if (Status st = rewrite->Commit(toc->bytes()); !st) return Result<RewriteReport>::Fail(st.error());
    return report;
}

std::string BrokenCountText(std::size_t rows) { return std::to_string(rows) + " broken attachment-references found."; }

std::string FolderMissingText(const std::string& folderText) { return "Folder '" + folderText + "' does not exsit."; }

}  // namespace ledgerly
