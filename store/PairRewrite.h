#pragma once
// Replaces a mailbox pair so that a crash at any moment leaves the old pair or
// the new one, never a mix:
//   1. the new mailbox is streamed into '<pair>mbx.ledgerly-new' and the new TOC
//      written to '<pair>toc.ledgerly-new', both in the pair's own folder;
//   2. both are flushed to disk;
//   3. the mailbox file is renamed over the old one, then the TOC file (a TOC
//      newer than its mailbox is what Eudora expects).
// A crash between the two renames leaves the new mailbox beside a complete new
// TOC under its temporary name; RecoverInterruptedRewrite, which every tool
// calls before it reads a pair, finishes that rename. Temporary files of a run
// that never reached step 3 are removed by the same call. The delimiter repair
// replaces the mailbox and deletes the TOC file: its new mailbox is complete
// under the temporary name before the TOC goes, so a new mailbox file beside
// no TOC file at all is a repair to finish, not one to undo.
#include <cstdint>
#include <cstdio>
#include <memory>
#include <string>
#include <string_view>

#include "app/Result.h"
#include "store/Mailbox.h"

namespace ledgerly {

inline constexpr std::string_view kNewSuffix = ".ledgerly-new";

// Returns a line for the user when it had to complete or undo something.
std::string RecoverInterruptedRewrite(const MailboxPair& pair);

class PairRewrite {
public:
    static Result<PairRewrite> Begin(const MailboxPair& pair);
    PairRewrite(PairRewrite&&) noexcept;
    PairRewrite& operator=(PairRewrite&&) = delete;
    ~PairRewrite();  // removes the temporary files unless committed

    Status Append(std::string_view bytes);  // to the new mailbox file
    std::int64_t Size() const { return size_; }
    Status Commit(std::string_view tocBytes);
    // After a failed Commit: whether the new mailbox file was already put in
    // place (only the TOC file's rename failed; its new file is kept).
    bool MailboxReplaced() const { return mailboxReplaced_; }

private:
    PairRewrite() = default;
    struct Closer { void operator()(std::FILE* f) const { if (f) std::fclose(f); } };
    MailboxPair pair_;
    std::unique_ptr<char[]> buffer_;  // the new mailbox file's write buffer; outlives mbx_
    std::unique_ptr<std::FILE, Closer> mbx_;
    std::int64_t size_ = 0;
    bool done_ = false;
    bool mailboxReplaced_ = false;
};

}  // namespace ledgerly
