#pragma once
// Rebuilding a TOC file from its mailbox file without losing what the old TOC
// knew. The messages are found by their delimiter lines; a message the old TOC
// describes (same Offset and Length, else the same bytes) keeps its old
// summary whole, with only Offset and Length renewed; any other message gets
// a summary made from its header lines, marked recovered (received mail) or
// sent. The mailbox file itself is never changed.
#include <cstdint>
#include <functional>
#include <string>
#include <vector>

#include "app/Host.h"
#include "app/Result.h"
#include "flagging/SummaryRefresh.h"
#include "store/Mailbox.h"

namespace ledgerly {

struct TocRebuildReport {
    std::string mailbox;         // the .mbx path
    bool tocExisted = false;
    bool headerKept = false;     // the old header could be read and was kept
    std::int32_t kept = 0;       // messages that keep their old summary
    std::int32_t added = 0;      // messages with a new summary
    struct Dropped {
        std::int32_t summary = 0;  // 1-based, in the old TOC
        std::int64_t offset = 0, length = 0;
        std::string who, subject;  // as the mailbox window showed them, in UTF-8 for people
    };
    std::vector<Dropped> dropped;    // old summaries that match no message
    std::int64_t uncoveredBytes = 0; // mailbox bytes before the first message
    bool unchanged = false;          // the TOC file already says all this: nothing written
    bool olderThanMailbox = false;   // unchanged, but older than its mailbox file (Eudora would rebuild it)
    bool timeRenewed = false;        // such a TOC file's modification time was renewed
    bool declined = false;           // the user answered No: nothing written
    bool written = false;            // the new TOC file is in place
    std::string tocBackup, mbxBackup;
    std::string recovered;           // what was done about an interrupted earlier run

    // The report for people, one line each, UTF-8; at most
    // `maxDropped` dropped summaries are listed one by one.
    std::vector<std::string> Lines(std::size_t maxDropped = SIZE_MAX) const;
    // The question asked before the new TOC file is written.
    std::string Question() const;
};

// Where the messages are and what the old TOC described. For a plain rebuild
// both are the pair's own mailbox file. A tool that has just rewritten the
// mailbox names the file the old TOC was written for, and says where each of
// its positions went, so that moved messages still find their summaries.
struct TocRebuildSources {
    std::string mailbox;     // the file the new TOC describes
    std::string oldMailbox;  // the file the old TOC describes; empty: `mailbox`
    std::function<std::int64_t(std::int64_t)> movedTo;  // empty: positions did not move
};

struct TocRebuildPlan {
    std::string tocBytes;  // the new TOC file
    TocRebuildReport report;
};

// Works out the new TOC of `pair` without writing anything. The header of a
// new TOC takes the version and column widths of the other TOC files of the
// mailbox's folder (else of `dataFolder`). Fails only for a mailbox that no
// TOC file can describe (more than 32,767 messages, more than 2 GB) or that
// cannot be read, and when the host asks to stop.
Result<TocRebuildPlan> PlanTocRebuild(const MailboxPair& pair, const TocRebuildSources& sources, const std::string& dataFolder,
                                      const FieldDecodeFn& decode, Host& host);

// The command: works out the new TOC and asks, with the report in the
// question (not when nothing would change); then, under the pair's lock,
// backs up both files and puts the new TOC file in place. The pair need not
// agree with its TOC, nor have one. With `dryRun` it only reports.
Result<TocRebuildReport> RebuildToc(ToolContext& context, const std::string& mbxPath, bool dryRun,
                                    const FieldDecodeFn& decode = DefaultFieldDecode());

// The summary of a message the old TOC does not describe: the fields the
// refresh computes, state recovered (12) for received and sent (8) for sent
// mail, bytes 178-185 four times -1 as Eudora 7 writes them, all else zero.
MessageSummary NewSummary(std::string_view message, const FieldDecodeFn& decode);

}  // namespace ledgerly
