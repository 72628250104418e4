#pragma once
// The check every rewriting tool makes before it changes a pair, and that
// `verify` reports: the TOC holds every summary its header announces, each
// summary's range lies inside the mailbox file, and what else looks wrong.
#include <cstdint>
#include <string>
#include <vector>

#include "app/Result.h"
#include "store/Mailbox.h"
#include "store/Toc.h"

namespace ledgerly {

enum class PairProblemKind {
    MissingMailbox,    // error
    MissingToc,        // error
    UnreadableFile,    // error
    TocTooShort,       // error: shorter than its header
    NegativeCount,     // warning: MessageCount below 0 reads as an empty mailbox
    TocShort,          // error: fewer summaries present than announced
    RangeOutside,      // error: Offset/Length negative or past the end of the mailbox file
    NoDelimiter,       // warning: the range does not start with "From ???@???"
    Overlap,           // warning: the range overlaps the previous summary's range
    Uncovered,         // warning: mailbox bytes that no summary covers
    UnlistedMessages,  // whole messages among those bytes: the TOC lists fewer messages than the mailbox holds
    TrailingTocBytes,  // warning: bytes after the last announced summary
};

struct PairProblem {
    PairProblemKind kind;
    std::int32_t summary = 0;  // 1-based, 0 when the problem is not one summary's
    std::string text;          // one line, for people
    bool IsError() const;
};

struct PairReport {
    std::vector<PairProblem> problems;
    std::int32_t announced = 0;       // MessageCount
    std::int32_t usable = 0;          // summaries wholly present
    std::int64_t mailboxSize = 0;
    std::int64_t uncoveredBytes = 0;  // mailbox bytes no summary covers
    std::int32_t unlistedMessages = 0;  // delimiter lines among those bytes
    bool Consistent() const;          // no error-level problem: what a rewriting tool requires
    // Consistent, and every summary's range starts a message ("From ???@???")
    // without overlapping the one before: what `verify` requires.
    bool Sound() const;
    static bool BreaksSoundness(const PairProblem& p);
    const PairProblem* FirstError() const;
    // The first problem for which a tool must not change the pair: an error,
    // overlapping summaries, a count below 0, or messages the TOC does not
    // list (they would be left out of a rewritten mailbox). Null when none.
    const PairProblem* RefusesChange() const;
    static bool BlocksChange(const PairProblem& p);
};

PairReport CheckPair(const MailboxPair& pair);
// The same check on files already read.
PairReport CheckPairImage(const TocImage& toc, std::int64_t mailboxSize, const MailboxReader* reader);

// A pair that passed the check, loaded for reading: the TOC in memory and
// the mailbox file open. The check's first error otherwise.
struct CheckedPair {
    TocImage toc;
    MailboxReader mailbox;
};
Result<CheckedPair> OpenCheckedPair(const MailboxPair& pair);

// A pair opened for a tool that only reads its messages one by one (the
// exports): a missing or unreadable file, or a TOC shorter than its header,
// refuses it; a summary whose range runs outside the mailbox file, and the
// summaries a short TOC file lacks, are listed for the tool to skip.
struct ReadablePair {
    TocImage toc;
    MailboxReader mailbox;
    std::vector<PairProblem> unreadable;  // TocShort first, then RangeOutside in summary order
    std::int32_t lacking = 0;             // summaries announced but not in the TOC file
    // Why summary k cannot be read; nullptr when it can.
    const PairProblem* Unreadable(std::int32_t k) const;
};
Result<ReadablePair> OpenReadablePair(const MailboxPair& pair);

}  // namespace ledgerly
