#pragma once
// The rewrite the tools used before PairTransaction; kept until each of them
// goes through the transaction.
#include <cstdint>
#include <cstdio>
#include <memory>
#include <string>
#include <string_view>

#include "app/Result.h"
#include "store/Mailbox.h"
#include "store/PairTransaction.h"

namespace ledgerly {

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
    std::unique_ptr<std::FILE, Closer> mbx_;
    std::int64_t size_ = 0;
    bool done_ = false;
    bool mailboxReplaced_ = false;
};

}  // namespace ledgerly
