#pragma once
// The orphaned attachment finder: lists every file of the chosen search
// folders that no mailbox below a mail folder refers to any more, and copies,
// moves or wipes the files it found. It reads mailbox files and lists folders;
// it changes files only through TransferFiles and WipeFiles.
#include <cstddef>
#include <cstdint>
#include <functional>
#include <string>
#include <vector>

#include "app/Host.h"
#include "app/WindowsPaths.h"

namespace ledgerly {

enum class FinderMode { Attachments, Embedded };

// Appends to `candidates` every file below `startDir` (which ends in the
// separator): the folder's own files first, then each sub-folder's, names in
// sorted order. Folders reached through symbolic links are not entered.
void ListFilesBelow(const std::string& startDir, std::vector<std::string>& candidates);

// A mailbox of the search: the .mbx file and the name the tree shows for it.
struct MailboxEntry {
    std::string path;
    std::string name;
};
// Every .mbx file (extension in any case) below `folder`, the folder's own
// first, then each sub-folder's, in sorted order.
std::vector<MailboxEntry> ListMailboxes(const std::string& folder);

// Window and button captions that depend on the number of mailboxes.
std::string FinderCaption(const std::string& folderText, std::size_t mailboxCount);
std::string ScanCaption(std::size_t mailboxCount);
std::string RescanCaption(std::size_t mailboxCount);

// What the window's Stop button and closing set while a scan runs.
struct FinderControl {
    bool stopRequested = false;  // looked at before each mailbox
    bool closing = false;        // also ends the mailbox being read
};

struct FinderRequest {
    FinderMode mode = FinderMode::Attachments;
    std::vector<std::string> searchFolders;  // listed in order
    std::vector<MailboxEntry> mailboxes;     // the mailboxes of the search
    const PathMapper* mapper = nullptr;      // Windows paths in mail; none: only native forms
    bool pauses = true;                      // the 200 ms pauses that keep a window live
};

struct FinderResult {
    std::vector<std::string> orphans;  // full paths, in listing order
    bool stopped = false;
    bool nothingToSearch = false;      // no candidate or no mailbox: ended at once
    std::size_t mailboxCount = 0;
    std::size_t unreadable = 0;        // mailboxes that could not be read
    std::vector<std::string> unreadableWhy;  // why, naming each of them
    std::string status;                // the closing status text
};

// A candidate prepared once per scan: every text that names it in mail.
struct Candidate {
    std::string path;
    bool obtainable = false;             // its short form could be had; else it counts as referenced
    std::vector<std::string> needles;    // folded Windows-1252 texts whose presence references it
    std::vector<std::string> names;      // its folded file name(s)
    std::string target;                  // folded normalised local path
};
Candidate PrepareCandidate(const std::string& path, FinderMode mode, const PathMapper* mapper);

// The reference test of candidates against one mailbox text.
class ReferenceIndex {
public:
    ReferenceIndex(FinderMode mode, const PathMapper* mapper) : mode_(mode), mapper_(mapper) {}
    // Prepares the mailbox text; false when the quick test fails.
    bool Load(std::string_view mailboxText);
    bool References(const Candidate& candidate) const;
    bool References(const std::string& candidatePath) const { return References(PrepareCandidate(candidatePath, mode_, mapper_)); }

private:
    bool NamedByWindowsPath(const Candidate& candidate) const;
    FinderMode mode_;
    const PathMapper* mapper_;
    std::string text_, folded_;
    std::vector<std::string> localTargets_;   // folded existing local files the attachment lines name
    std::vector<std::string> unmappedNames_;  // folded names of named files that are gone or map to nothing
};

FinderResult FindOrphans(const FinderRequest& request, Host& host, FinderControl& control);

// A result row of the finder window.
struct ResultRow {
    std::string fileName;
    std::string fullPath;
    bool bold = false;  // copied or moved
};
ResultRow MakeResultRow(const std::string& fullPath);

// What a transfer does where the target folder has a file of the same name.
enum class ExistingTarget {
    Ask,       // the host's question: Yes replaces it, No skips the row
    KeepBoth,  // never replaced: the file goes under a free name
};

struct TransferSummary {
    int done = 0;
    std::vector<std::string> renamed;  // "'a.txt' as 'a (2).txt'": kept beside a file of the same name
    int onItself = 0;        // the destination is the file itself: skipped
    int declined = 0;        // an existing destination was not overwritten
    int failed = 0;          // could not be written
    int sourceKept = 0;      // moved, but the original could not be deleted
    std::string status;      // empty when every selected row was done
};

// Copies or moves the selected rows (indices into `rows`), last to first, to
// `targetFolder`. A file that was there before is replaced only when the
// host's question is answered Yes (ExistingTarget::Ask); a file this transfer
// put there is never replaced: two files of one name both arrive, the later
// one as 'name (2).ext'. A row whose destination is the file itself is
// skipped, so that a move never deletes the file it meant to keep.
TransferSummary TransferFiles(std::vector<ResultRow>& rows, const std::vector<std::size_t>& selected,
                              const std::string& targetFolder, bool move, Host& host,
                              ExistingTarget existing = ExistingTarget::Ask);
// The first of 'name.ext', 'name (2).ext', 'name (3).ext', ... in `folder`
// (ending in the separator) that nothing has.
std::string FreeFileName(const std::string& folder, const std::string& fileName);

struct WipeSummary {
    int deleted = 0;
    int failed = 0;
    std::vector<std::size_t> removed;  // indices (before the wipe) of the rows removed, last first
    std::string status;
};
// Deletes the selected rows' files, last to first; a deleted file's row is
// removed, a file that could not be deleted keeps its row.
// Why the files a scan found must not be wiped: a mailbox below the folder
// could not be read, so the files it refers to are unknown. Empty when they may.
std::string WipeRefusal(const FinderResult& scan);
WipeSummary WipeFiles(std::vector<ResultRow>& rows, const std::vector<std::size_t>& selected,
                      const std::function<bool(const std::string&)>& removeFile = {});
// Deletes a file (never a folder); false when it is still there.
bool DeleteFileOnly(const std::string& path);

inline constexpr const char* kWipeQuestion = "Are you sure you want to delete selected files?\r\nThis is not undoable.";
std::string OverwriteQuestion(const std::string& destination);

}  // namespace ledgerly
