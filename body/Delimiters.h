#pragma once
// Mending mailbox files in which a message that ends with "</x-html>" runs
// straight into the next message's delimiter line.
#include <cstdint>
#include <string>

#include "app/Host.h"
#include "app/Result.h"
#include "body/Backup.h"

namespace ledgerly {

// The question asked before the TOC file is given up.
inline constexpr const char* kStatusLostQuestion =
    "Status information for all messages \r\nin this mailbox will be lost. Proceed anyway ?";

// Every "</x-html>From ???@???" gets a CR LF before its "From". Returns the
// new content and how many places were mended.
std::string InsertMissingDelimiterBreaks(std::string_view content, std::int64_t* mended = nullptr);

// The same for content that arrives in pieces: a run-in split between two
// pieces is still found. Feed appends to `out` what is final so far; the
// last few bytes wait for the next piece or for Finish.
class DelimiterMender {
public:
    void Feed(std::string_view piece, std::string& out);
    void Finish(std::string& out);
    std::int64_t Mended() const { return mended_; }

private:
    std::string pending_;
    std::int64_t mended_ = 0;
};

// Rewrites the mailbox file with the breaks inserted, atomically; a file
// with nothing to mend is left untouched. Returns the places mended. Reads
// and writes in pieces: memory does not grow with the mailbox.
Result<std::int64_t> RepairDelimiters(const std::string& mbxPath);

struct DelimiterRepairResult {
    bool declined = false;    // the user answered No: nothing was done
    PairBackup backups;
    bool tocDeleted = false;  // Eudora builds a new TOC file when it opens the mailbox
    std::int64_t mended = 0;
};

// The whole command after its checks: the question, backups of the TOC file and
// the mailbox file, the TOC file deleted, the mailbox repaired. A backup that
// cannot be made, or a TOC file that cannot be deleted, stops it before the
// mailbox file changes.
Result<DelimiterRepairResult> RepairMessageDelimiters(ToolContext& context, const std::string& mbxPath);

// The "Backup" command after its question: backs up the TOC file and then the
// mailbox file of the pair whose mailbox file is `mbxKey`, and returns the
// report to show (CR LF line breaks). A file that cannot be copied whole
// stops it: the report then says why, and names any backup already made.
struct BackupReport {
    std::string text;
    PairBackup backups;
    bool failed = false;  // a file could not be copied whole
};
std::string BackupQuestion(const std::string& mbxKey);
BackupReport BackupMailboxPair(AppState& state, const std::string& mbxKey);

}  // namespace ledgerly
