#include "attachments/OrphanFinder.h"

#include <algorithm>
#include <filesystem>
#include <optional>

#include "app/Encoding.h"
#include "app/FileHelpers.h"
#include "app/Messages.h"
#include "app/SafeFiles.h"
#include "app/TextHelpers.h"
#include "attachments/References.h"
#include "store/Mailbox.h"

namespace fs = std::filesystem;

namespace ledgerly {
namespace {

struct FolderEntries {
    std::vector<std::string> files;
    std::vector<std::string> folders;
};

FolderEntries ReadFolder(const std::string& dir) {
    FolderEntries entries;
    std::error_code ec;
    for (fs::directory_iterator it(FsPath(dir), ec), end; !ec && it != end; it.increment(ec)) {
        const std::string name = PathText(it->path().filename());
        if (name == "." || name == "..") continue;
        std::error_code ec2;
        if (it->is_directory(ec2)) {
            if (!it->is_symlink(ec2)) entries.folders.push_back(name);
        } else if (FileExists(dir + name)) {
            entries.files.push_back(name);
        }
    }
    std::sort(entries.files.begin(), entries.files.end());
    std::sort(entries.folders.begin(), entries.folders.end());
    return entries;
}

std::string CountText(std::size_t n) { return std::to_string(n); }

// Characters that may follow a file name where mail names a path.
bool EndsPathHere(std::string_view text, std::size_t at) {
    if (at >= text.size()) return true;
    switch (text[at]) {
        case '"': case '\'': case '\r': case '\n': case ';': case ' ': case '\t':
        case '>': case '<': case ')': case ',': case '\0':
            return true;
        default:
            return false;
    }
}

// The start of the Windows path that ends at `nameAt` (the '\' before the
// file name), on the same line: the last drive ('X:\') or share ('\\') before it.
std::optional<std::size_t> WindowsPathStart(std::string_view text, std::size_t nameAt) {
    std::size_t lineStart = text.rfind('\n', nameAt);
    lineStart = lineStart == std::string_view::npos ? 0 : lineStart + 1;
    for (std::size_t i = nameAt; i-- > lineStart;) {
        if (i + 2 <= nameAt && text[i + 1] == ':' && (text[i + 2] == '\\' || text[i + 2] == '/')) {
            const char d = text[i];
            if ((d >= 'a' && d <= 'z') || (d >= 'A' && d <= 'Z')) return i;
        }
        if (text[i] == '\\' && i > lineStart && text[i - 1] == '\\') return i - 1;
    }
    return std::nullopt;
}

std::string Normalised(const std::string& path) {
    std::error_code ec;
    fs::path p = fs::weakly_canonical(FsPath(path), ec);
    return PathText(ec ? FsPath(path).lexically_normal() : p);
}

bool SameFile(const std::string& a, const std::string& b) {
    std::error_code ec;
    if (fs::exists(FsPath(a), ec) && fs::exists(FsPath(b), ec)) {
        const bool same = fs::equivalent(FsPath(a), FsPath(b), ec);
        if (!ec) return same;
    }
    return Normalised(a) == Normalised(b);
}

}  // namespace

void ListFilesBelow(const std::string& startDir, std::vector<std::string>& candidates) {
    const std::string dir = WithTrailingSeparator(startDir);
    const FolderEntries entries = ReadFolder(dir);
    for (const std::string& f : entries.files) candidates.push_back(dir + f);
    for (const std::string& sub : entries.folders) ListFilesBelow(dir + sub + kPathSeparator, candidates);
}

std::vector<MailboxEntry> ListMailboxes(const std::string& folder) {
    std::vector<MailboxEntry> boxes;
    const std::string dir = WithTrailingSeparator(folder);
    const FolderEntries entries = ReadFolder(dir);
    for (const std::string& f : entries.files)
        if (f.size() > 4 && EndsWithNoCase(f, ".mbx")) boxes.push_back({dir + f, f.substr(0, f.size() - 4)});
    for (const std::string& sub : entries.folders) {
        auto inner = ListMailboxes(dir + sub);
        boxes.insert(boxes.end(), std::make_move_iterator(inner.begin()), std::make_move_iterator(inner.end()));
    }
    return boxes;
}

std::string FinderCaption(const std::string& folderText, std::size_t mailboxCount) {
    return "Unreferenced Attachments >> Mailfolder: " + folderText + " (" + CountText(mailboxCount) + " mailboxes)";
}

std::string ScanCaption(std::size_t mailboxCount) {
    if (mailboxCount == 0) return "&Scan";
    if (mailboxCount == 1) return "&Scan one mailbox";
    return "&Scan " + CountText(mailboxCount) + " mailboxes";
}

std::string RescanCaption(std::size_t mailboxCount) { return "Re&scan (" + CountText(mailboxCount) + " mailboxes)"; }

namespace {

// A local path (native bytes) in the spellings mail may hold: the bytes as
// they are, and converted to Windows-1252.
std::vector<std::string> NativeSpellings(const std::string& native) {
    std::vector<std::string> out{native};
    if (std::string cp = Utf8ToCp1252(native); cp != native) out.push_back(std::move(cp));
    return out;
}

void AddUnique(std::vector<std::string>& list, std::string value) {
    if (!value.empty() && std::find(list.begin(), list.end(), value) == list.end()) list.push_back(std::move(value));
}

}  // namespace

Candidate PrepareCandidate(const std::string& path, FinderMode mode, const PathMapper* mapper) {
    Candidate c;
    c.path = path;
    const std::string shortForm = GetShortPath(path);
    c.obtainable = !shortForm.empty();
    if (!c.obtainable) return c;
    const std::string longForm = GetLongPath(path);
    std::vector<std::string> forms{shortForm, longForm};
    if (mode == FinderMode::Attachments && mapper)
        for (const std::string& f : mapper->FormsOf(longForm)) forms.push_back(f);
    for (const std::string& form : forms)
        for (const std::string& spelled : NativeSpellings(form)) {
            const std::string name = FileNameOfAnyPath(spelled);
            AddUnique(c.names, FoldText(name));
            AddUnique(c.needles, FoldText(mode == FinderMode::Embedded ? std::string(kEmbeddedContent) + name : spelled));
        }
    c.target = FoldText(Normalised(longForm));
    return c;
}

bool ReferenceIndex::Load(std::string_view mailboxText) {
    text_.assign(mailboxText);
    folded_ = FoldText(mailboxText);
    const std::string quick = FoldText(mode_ == FinderMode::Attachments ? "Attachment" : kEmbeddedContent);
    localTargets_.clear();
    unmappedNames_.clear();
    if (folded_.find(quick) == std::string::npos) {
        text_.clear();
        folded_.clear();
        return false;
    }
    if (mode_ == FinderMode::Attachments) {
        // The files the attachment lines name. One that is gone (or that maps
        // to nothing) is most likely a file that was moved: it protects every
        // candidate of the same name, which may be that very file.
        for (const std::string& ref : AttachmentReferences(mailboxText, false)) {
            bool found = false;
            for (const std::string& spelled : MailSpellings(ref)) {
                std::optional<std::string> local = spelled;
                if (IsWindowsPath(spelled)) local = mapper_ ? mapper_->ToLocal(spelled) : std::nullopt;
                if (local && FileExists(*local)) {
                    localTargets_.push_back(FoldText(Normalised(*local)));
                    found = true;
                }
            }
            if (!found) unmappedNames_.push_back(FoldText(FileNameOfAnyPath(ref)));
        }
    }
    return true;
}

bool ReferenceIndex::References(const Candidate& c) const {
    // A file whose short form cannot be had is never reported.
    if (!c.obtainable || c.names.empty()) return true;
    for (const std::string& needle : c.needles)
        if (folded_.find(needle) != std::string::npos) return true;
    if (mode_ == FinderMode::Embedded) return false;
    for (const std::string& n : unmappedNames_)
        if (std::find(c.names.begin(), c.names.end(), n) != c.names.end()) return true;
    for (const std::string& t : localTargets_)
        if (t == c.target) return true;
    return NamedByWindowsPath(c);
}

// Windows paths anywhere in the text that end in the candidate's file name
// protect it unless they name another existing local file: a path that maps
// to nothing, or to a file that is gone, is never taken as proof that the
// file is unreferenced.
bool ReferenceIndex::NamedByWindowsPath(const Candidate& c) const {
    for (const std::string& name : c.names) {
        const std::string needle = "\\" + name;
        for (std::size_t at = folded_.find(needle); at != std::string::npos; at = folded_.find(needle, at + 1)) {
            if (!EndsPathHere(folded_, at + needle.size())) continue;
            const auto start = WindowsPathStart(text_, at);
            if (!start || !mapper_) return true;
            const std::string written = text_.substr(*start, at + needle.size() - *start);
            bool elsewhere = false;
            for (const std::string& spelled : MailSpellings(written)) {
                const auto local = mapper_->ToLocal(spelled);
                if (!local || !FileExists(*local)) continue;
                if (FoldText(Normalised(*local)) == c.target) return true;
                elsewhere = true;
            }
            if (!elsewhere) return true;
        }
    }
    return false;
}

FinderResult FindOrphans(const FinderRequest& request, Host& host, FinderControl& control) {
    FinderResult result;
    result.mailboxCount = request.mailboxes.size();
    std::vector<std::string> paths;
    for (const std::string& folder : request.searchFolders) {
        // Mail names files by absolute paths: a relative folder would make every file look orphaned.
        std::error_code ec;
        const fs::path absolute = fs::absolute(FsPath(folder), ec);
        ListFilesBelow(WithTrailingSeparator(ec ? folder : PathText(absolute)), paths);
    }

    const bool attachments = request.mode == FinderMode::Attachments;
    auto completed = [&](std::size_t found) {
        const std::string number = found == 0 ? std::string("No") : CountText(found);
        std::string text = attachments ? "Search Completed. " + number + " orphaned attachments found in " + CountText(result.mailboxCount) + " mailboxes."
                                       : "Search Completed. " + number + " orphaned embedded files found.";
        if (result.unreadable > 0)
            text += " " + CountText(result.unreadable) + (result.unreadable == 1 ? " mailbox" : " mailboxes") +
                    " could not be read: files named only there are listed too.";
        return text;
    };

    if (paths.empty() || request.mailboxes.empty()) {
        result.nothingToSearch = true;
        result.status = paths.empty() ? completed(0) : std::string("No mailbox to search in: nothing was listed.");
        return result;
    }

    std::vector<Candidate> candidates;
    candidates.reserve(paths.size());
    for (const std::string& p : paths) candidates.push_back(PrepareCandidate(p, request.mode, request.mapper));
    ReferenceIndex index(request.mode, request.mapper);
    std::size_t position = 0;
    for (const MailboxEntry& box : request.mailboxes) {
        if (control.stopRequested || control.closing) break;
        ++position;
        if (request.pauses && position % 10 == 0) host.Wait(200);
        if (control.closing) break;
        const auto text = ReadFileChecked(box.path);
        if (!text) {
            ++result.unreadable;
            result.unreadableWhy.push_back(text.error());
        } else if (index.Load(*text)) {
            for (std::size_t k = candidates.size(); k >= 1 && !control.closing; --k) {
                if (request.pauses && k % 10 == 0) host.Wait(200);
                if (index.References(candidates[k - 1])) candidates.erase(candidates.begin() + static_cast<std::ptrdiff_t>(k - 1));
            }
            index.Load("");
        }
        host.Status("Search in progress... " + box.name);
        host.Progress("orphans", static_cast<std::int64_t>(position), static_cast<std::int64_t>(request.mailboxes.size()), "mailboxes");
    }
    if (control.stopRequested || control.closing) {
        result.stopped = true;
        result.status = "Search canceled.";
        return result;
    }
    host.Status("Search in progress..");
    for (Candidate& c : candidates) result.orphans.push_back(std::move(c.path));
    result.status = completed(result.orphans.size());
    return result;
}

ResultRow MakeResultRow(const std::string& fullPath) { return ResultRow{FileNameOfAnyPath(fullPath), fullPath, false}; }

std::string OverwriteQuestion(const std::string& destination) { return "File '" + destination + " 'already exist. Overwrite?"; }

bool DeleteFileOnly(const std::string& path) {
    std::error_code ec;
    const fs::path file = FsPath(path);
    if (fs::is_directory(fs::symlink_status(file, ec))) return false;
    fs::remove(file, ec);
    return !ec && !fs::exists(fs::symlink_status(file, ec));
}

std::string FreeFileName(const std::string& folder, const std::string& fileName) {
    const std::size_t dot = fileName.rfind('.');
    const bool hasExtension = dot != std::string::npos && dot > 0;
    const std::string stem = hasExtension ? fileName.substr(0, dot) : fileName;
    const std::string extension = hasExtension ? fileName.substr(dot) : std::string();
    for (int n = 1;; ++n) {
        const std::string name = n == 1 ? fileName : stem + " (" + std::to_string(n) + ")" + extension;
        std::error_code ec;
        if (!fs::exists(fs::symlink_status(FsPath(folder + name), ec))) return name;
    }
}

TransferSummary TransferFiles(std::vector<ResultRow>& rows, const std::vector<std::size_t>& selected,
                              const std::string& targetFolder, bool move, Host& host, ExistingTarget existing) {
    TransferSummary s;
    std::vector<std::size_t> order(selected);
    std::sort(order.begin(), order.end());
    order.erase(std::unique(order.begin(), order.end()), order.end());
    const std::string folder = WithTrailingSeparator(TrimSpaces(targetFolder));
    std::vector<std::string> arrived;  // destinations this transfer wrote
    for (auto it = order.rbegin(); it != order.rend(); ++it) {
        if (*it >= rows.size()) continue;
        ResultRow& row = rows[*it];
        std::string destination = folder + row.fileName;
        if (SameFile(row.fullPath, destination)) {
            ++s.onItself;
            continue;
        }
        std::error_code ec;
        const bool taken = fs::exists(fs::symlink_status(FsPath(destination), ec));
        const bool ours = std::find(arrived.begin(), arrived.end(), destination) != arrived.end();
        bool replace = false;
        if (taken && !ours && existing == ExistingTarget::Ask) {
            if (!host.Ask(OverwriteQuestion(destination), msg::kTitle)) {
                ++s.declined;
                continue;
            }
            replace = true;
        } else if (taken) {
            const std::string name = FreeFileName(folder, row.fileName);
            s.renamed.push_back("'" + row.fileName + "' as '" + name + "'");
            destination = folder + name;
        }
        const auto bytes = ReadFileChecked(row.fullPath);
        const Status written = !bytes ? bytes.status() : replace ? WriteWholeFileChecked(destination, *bytes) : WriteNewFile(destination, *bytes);
        if (!written) {
            ++s.failed;
            if (!s.renamed.empty() && destination != folder + row.fileName) s.renamed.pop_back();
            continue;
        }
        arrived.push_back(destination);
        if (move) {
            if (!DeleteFileOnly(row.fullPath)) ++s.sourceKept;
            row.fullPath = destination;
        }
        row.bold = true;
        ++s.done;
    }
    const char* verb = move ? " moved." : " copied.";
    if (s.onItself || s.declined || s.failed || s.sourceKept || !s.renamed.empty()) {
        s.status = std::to_string(s.done) + (s.done == 1 ? " file" : " files") + verb;
        if (s.onItself) s.status += " " + std::to_string(s.onItself) + " skipped: already in that folder.";
        if (s.declined) s.status += " " + std::to_string(s.declined) + " not overwritten.";
        if (s.failed) s.status += " " + std::to_string(s.failed) + " could not be written.";
        if (s.sourceKept) s.status += " " + std::to_string(s.sourceKept) + " copied, but the original could not be deleted.";
        if (!s.renamed.empty()) {
            s.status += " Kept beside a file of the same name: ";
            for (std::size_t i = 0; i < s.renamed.size(); ++i) s.status += (i == 0 ? "" : ", ") + s.renamed[i];
            s.status += ".";
        }
    }
    return s;
}

std::string WipeRefusal(const FinderResult& scan) {
    if (scan.unreadableWhy.empty()) return {};
    return JoinSentences(scan.unreadableWhy.front(),
                         "The files that mailbox refers to are unknown, so none of the files found was deleted. Nothing was changed.");
}

WipeSummary WipeFiles(std::vector<ResultRow>& rows, const std::vector<std::size_t>& selected,
                      const std::function<bool(const std::string&)>& removeFile) {
    WipeSummary s;
    std::vector<std::size_t> order(selected);
    std::sort(order.begin(), order.end());
    order.erase(std::unique(order.begin(), order.end()), order.end());
    for (auto it = order.rbegin(); it != order.rend(); ++it) {
        if (*it >= rows.size()) continue;
        const bool gone = removeFile ? removeFile(rows[*it].fullPath) : DeleteFileOnly(rows[*it].fullPath);
        if (gone) {
            rows.erase(rows.begin() + static_cast<std::ptrdiff_t>(*it));
            s.removed.push_back(*it);
            ++s.deleted;
        } else {
            ++s.failed;
        }
    }
    s.status = std::to_string(s.deleted) + (s.deleted == 1 ? " file deleted." : " files deleted.");
    if (s.failed) s.status += " " + std::to_string(s.failed) + (s.failed == 1 ? " file" : " files") + " could not be deleted.";
    return s;
}

}  // namespace ledgerly
