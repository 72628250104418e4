#pragma once
// The mailbox file: messages one after another, each opened by a delimiter
// line that begins "From ???@???". Where a message lies is known only from its
// summary's Offset and Length; the mailbox file is never parsed for boundaries.
#include <cstdint>
#include <memory>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

#include "app/Result.h"
#include "app/SafeFiles.h"
#include "store/Toc.h"

namespace ledgerly {

inline constexpr std::string_view kDelimiterStart = "From ???@???";
inline constexpr std::string_view kCrLf = "\r\n";
inline constexpr std::string_view kBlankLine = "\r\n\r\n";

// A mailbox pair is named by its pair path: the .mbx path less its three
// extension letters, the dot kept ('D:\Box\Work.mbx' gives 'D:\Box\Work.').
// Its two files are found whatever the case of their extensions, as Eudora's
// own file system finds them ('IN.MBX' and 'IN.TOC', 'In.MBX' and 'In.toc'),
// and keep the names found; a file that is missing keeps the name it would have.
struct MailboxPair {
    MailboxPair() = default;
    explicit MailboxPair(std::string pair) : pairPath(std::move(pair)) {}
    std::string pairPath;
    std::string mbxName;  // the mailbox file as named; empty: pairPath + "mbx"
    static MailboxPair FromMailboxPath(std::string_view mbxPath);  // cuts exactly three characters
    std::string mbx() const;
    std::string toc() const;
};

bool EndsWithNoCase(std::string_view text, std::string_view suffix);
inline bool IsMailboxKey(std::string_view key) { return EndsWithNoCase(key, "mbx"); }

// Reads messages by their summaries. A range that runs past the end of the
// file yields the bytes that exist. Small reads that each begin where the
// one before ended, or a little after (the tools walk the TOC, whose
// messages mostly lie in file order), are served from a read-ahead window
// of 1 MB; others are read as asked (a system call costs about as much as
// copying a few KB more).
class MailboxReader {
public:
    // Only a regular file is opened (a FIFO or a device is refused at once).
    static Result<MailboxReader> Open(const std::string& mbxPath);
    std::int64_t Size() const { return size_; }
    std::string Fetch(const MessageSummary& s) const;
    std::string Read(std::int64_t offset, std::int64_t length) const;
    // Closes the file before it is replaced: Windows renames nothing over a
    // file that is open.
    void Close() { file_ = FileHandle(); }

private:
    static constexpr std::int64_t kWindow = 1 << 20;
    static constexpr std::int64_t kSmallRead = 16 << 10;  // at most this long,
    static constexpr std::int64_t kSmallGap = 4 << 10;    // at most this far after the last read
    // Reads up to `length` bytes at `offset` into `to`; returns how many.
    std::size_t ReadAt(char* to, std::size_t length, std::int64_t offset) const;

    FileHandle file_;
    std::int64_t size_ = 0;
    mutable std::unique_ptr<char[]> window_;
    mutable std::int64_t windowStart_ = 0, windowSize_ = 0;
    mutable std::int64_t lastEnd_ = 0;  // where the last read ended
};

// The header part: the text before the first CR LF CR LF; a message without
// one is the header part whole.
std::string_view HeaderPart(std::string_view message);
// The header part cut at every CR LF, the delimiter line first.
std::vector<std::string_view> SplitLines(std::string_view headerPart);
// The value after `prefix` (exact, with case) of the first or the last line
// that starts with it; nullopt-like empty view and found=false when none does.
struct HeaderValue { bool found = false; std::string_view value; };
HeaderValue FindHeader(const std::vector<std::string_view>& lines, std::string_view prefix, bool last);
// An "X-Attachments: " header line longer than 18 characters, or a line
// anywhere that begins "Attachment Converted: ".
bool HasAttachmentMarker(std::string_view message, const std::vector<std::string_view>& headerLines);

// The split of the tools that rewrite or render whole messages: a missing
// CR LF CR LF is made from the first CR, else the first LF; the header part
// is the text before the first CR LF CR LF (one character when none), the
// body the rest, starting with that CR LF CR LF.
struct SplitMessage { std::string header; std::string body; };
SplitMessage NormaliseAndSplit(std::string message);
// The same split without copying the message when it holds CR LF CR LF (it
// then needs no repair): views into `message`; else views into `repaired`,
// which NormaliseAndSplit fills.
struct SplitViews { std::string_view header, body; };
SplitViews SplitWithoutCopy(std::string_view message, SplitMessage& repaired);

}  // namespace ledgerly
