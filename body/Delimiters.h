#pragma once
// Mending mailbox files in which a message that ends with "</x-html>" runs
// straight into the next message's delimiter line.
#include <cstdint>
#include <string>
#include <vector>

#include "app/Host.h"
#include "app/Result.h"
#include "flagging/TocRebuild.h"
#include "store/PairBackups.h"

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
    // Where a byte of the input stands in the output: every CR LF inserted at
    // or before it moves it on by two. (A message that ended in "</x-html>"
    // takes its CR LF along; the delimiter line after it starts behind it.)
    std::int64_t MovedTo(std::int64_t inputPosition) const;

private:
    std::string pending_;
    std::int64_t pendingStart_ = 0;         // input position of pending_'s first byte
    std::int64_t mended_ = 0;
    std::vector<std::int64_t> mendedAt_;    // input positions a CR LF was inserted before
};

struct DelimiterRepairResult {
    bool declined = false;    // the user answered No: nothing was done
    PairBackup backups;
    bool tocDeleted = false;  // Eudora builds a new TOC file when it opens the mailbox
    bool tocRebuilt = false;  // rebuilt in its place instead, keeping the states
    TocRebuildReport rebuild; // what the rebuilt TOC kept, added and dropped
    std::int64_t mended = 0;
    std::string recovered;    // what was done about an earlier interrupted run
    // The TOC file did not agree with the mailbox (what was wrong): the repair
    // deletes it all the same, as it always does.
    std::string tocDisagreed;
    // "1 delimiter repaired; the TOC file was deleted (Eudora builds a new one)."
    std::string RepairedText() const;
    // Why the TOC file was not refused, when it did not agree; else empty.
    std::string DisagreementText() const;
    // All of what the command says when it is done, "Done" text last.
    std::string ClosingText() const;
};

// The whole command after its checks: the question, then one PairTransaction
// that backs up the TOC file and the mailbox file, writes the repaired mailbox
// (read and written in pieces: memory does not grow with the mailbox), and
// replaces the mailbox file and deletes the TOC file together. A pair that
// does not agree with its TOC file is repaired all the same (the TOC goes);
// a backup that cannot be made, or a stop, changes nothing.
// With `rebuildToc` the TOC file is not deleted but rebuilt from the repaired
// mailbox in the same transaction (see flagging/TocRebuild.h): every message
// the old TOC described keeps its summary, wherever the repair moved it.
Result<DelimiterRepairResult> RepairMessageDelimiters(ToolContext& context, const std::string& mbxPath, bool rebuildToc = false,
                                                      const FieldDecodeFn& decode = DefaultFieldDecode());
// The question asked before a repair that rebuilds the TOC file.
std::string RebuildAfterRepairQuestion(const std::string& mbxPath);

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
