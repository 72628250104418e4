#pragma once
// Finding the messages of a mailbox file without its TOC, and pairing them
// with the summaries of a TOC that no longer agrees with the file. This is
// how a damaged TOC is rebuilt: every other tool trusts the TOC instead.
#include <cstdint>
#include <functional>
#include <optional>
#include <span>
#include <string>
#include <string_view>
#include <vector>

namespace ledgerly {

struct MessageRange {
    std::int64_t offset = 0;
    std::int64_t length = 0;
    std::int64_t End() const { return offset + length; }
    bool operator==(const MessageRange&) const = default;
};

// Finds the lines that begin "From ???@???" at the start of the file or right
// after CR LF, CR or LF, in content that arrives in pieces of any size.
class MessageStartScanner {
public:
    void Feed(std::string_view piece);
    const std::vector<std::int64_t>& Starts() const { return starts_; }
    // Where "From ???@???" first occurs, at a line start or not; -1 when nowhere.
    std::int64_t FirstDelimiter() const { return first_; }
    std::int64_t Size() const { return size_; }  // the bytes fed so far

private:
    std::vector<std::int64_t> starts_;
    std::int64_t first_ = -1;
    std::string tail_;         // the last bytes of the content, too few to decide on yet
    bool tailAtLineStart_ = true;  // whether tail_ begins a line
    std::int64_t size_ = 0;
};

// The messages of a file of `fileSize` bytes whose messages begin at `starts`
// (in any order, repeats allowed): each runs to the next start or to the end
// of the file. Bytes before the first start belong to no message.
std::vector<MessageRange> RangesFromStarts(std::vector<std::int64_t> starts, std::int64_t fileSize);

// A 64-bit FNV-1a hash of a message's bytes: with the length, what tells a
// message that moved from a different one.
std::uint64_t MessageHash(std::string_view bytes);

// The outcome of pairing messages with old summaries.
struct SummaryMatch {
    std::vector<std::int32_t> summaryFor;  // per message, the index of the summary it keeps; -1 for none
    std::vector<std::int32_t> unmatched;   // indices of the summaries no message took, in TOC order
};

// What the matcher knows of an old summary: where its message lies in the
// file it was written for, and where that is in the file being described now
// (the same place unless the file was changed by a tool that knows how).
struct OldSummaryPlace {
    MessageRange described;  // its Offset and Length
    MessageRange now;        // the same bytes in the current file
};

// A message's hash, or nullopt when its bytes cannot be read.
using HashAt = std::function<std::optional<std::uint64_t>(std::size_t index)>;

// Pairs each message (in file order) with the summary that describes it: the
// one whose range is the message's own, else one whose bytes are the
// message's (same length, same hash). Every summary is taken at most once,
// the first in TOC order first. Hashes are asked for only where lengths
// agree, so a TOC that still fits its file costs no reading at all.
SummaryMatch MatchSummaries(std::span<const MessageRange> messages, std::span<const OldSummaryPlace> summaries,
                            const HashAt& messageHash, const HashAt& summaryHash);

}  // namespace ledgerly
