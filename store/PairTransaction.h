#pragma once
// Every change to a mailbox pair goes through one PairTransaction, which
// keeps the rules that no mail is lost:
//   - Begin locks the pair's folder against other runs, finishes or undoes a
//     run that was cut short, checks the pair (a pair a change would damage
//     is refused with what to do next), makes numbered, verified backups of
//     both files under one number, and opens the pair for reading;
//   - the tool stages its new mailbox file (streamed, '<file>.ledgerly-new'
//     beside it) and edits the TOC in memory; nothing on disk changes;
//   - Commit flushes the staged files, keeps the TOC header's recorded
//     mailbox size true, proves both targets can be replaced, writes a
//     journal naming each file with its final size and checksum, and only
//     then renames: the mailbox file first, then the TOC file. A rename that
//     fails puts back what was already renamed, so the old pair stays.
// A transaction that is abandoned, or destroyed without a Commit, leaves the
// pair byte for byte as it was. Staged files take the mode and owner of the
// files they replace.
#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

#include "app/AppState.h"
#include "app/Result.h"
#include "app/SafeFiles.h"
#include "store/Mailbox.h"
#include "store/PairBackups.h"
#include "store/PairCheck.h"
#include "store/RewriteLock.h"
#include "store/Toc.h"

namespace ledgerly {

// A staged file: '<file>.ledgerly-new'. A replaced file until the commit is
// complete: '<file>.ledgerly-old'. The journal: '<mailbox file>.ledgerly-journal'.
inline constexpr std::string_view kNewSuffix = ".ledgerly-new";
inline constexpr std::string_view kOldSuffix = ".ledgerly-old";
inline constexpr std::string_view kJournalSuffix = ".ledgerly-journal";

// Finishes a run cut short when its journal proves every staged file
// complete, and otherwise puts the old pair back and removes the staged
// files; a staged file without a journal is never put in place. Removes the
// temporary files killed runs left. Returns a line for the user when it did
// anything. Every transaction calls it first, under the folder lock.
std::string RecoverInterruptedRewrite(const MailboxPair& pair);

// What a transaction changes.
enum class PairChange {
    BackupsOnly,         // nothing: the pair's backups, made under the lock (backup, run-script)
    TocOnly,             // the TOC file; the mailbox file is only read
    MailboxAndToc,       // both files
    MailboxDeletingToc,  // a new mailbox file, and the TOC file deleted (Eudora builds a new one)
};

struct PairTransactionOptions {
    PairChange change = PairChange::MailboxAndToc;
    // Numbered backups before anything is staged: of the TOC file for a
    // TocOnly change, else of both files. Always made when the mailbox file
    // changes, and by BackupsOnly.
    bool backups = false;
    // For a tool whose purpose is to rebuild the TOC of a pair that does not
    // agree with it: the pair is checked (see Check) but not refused, and its
    // TOC file need not exist. No other tool sets this.
    bool allowInconsistentPair = false;
    // A dry run: the pair is locked, read and checked as it stands; no
    // recovery, no backups, and Commit refuses.
    bool lookOnly = false;
};

class PairTransaction {
public:
    // Fails with a message that says what is wrong and that nothing was
    // changed. `remember`: the state whose TocBackupPath and MbxBackupPath
    // name the backups made.
    static Result<PairTransaction> Begin(const MailboxPair& pair, const PairTransactionOptions& options, AppState* remember = nullptr);
    PairTransaction(PairTransaction&& other) noexcept;
    PairTransaction& operator=(PairTransaction&&) = delete;
    ~PairTransaction();  // abandons what was not committed

    const MailboxPair& Pair() const { return pair_; }
    const std::string& Recovered() const { return recovered_; }  // what Begin did about an earlier run
    const PairReport& Check() const { return check_; }
    const PairBackup& Backups() const { return backups_; }

    // The TOC as it was read (empty when there is no TOC file); edit it in
    // place, or assign a new image. Committed when it differs from the file.
    TocImage& Toc() { return toc_; }
    // The mailbox file as it is (not open for BackupsOnly, or when missing).
    const MailboxReader& Mailbox() const { return *mailbox_; }
    bool HasMailbox() const { return mailbox_.has_value(); }

    // The new mailbox file, in pieces (MailboxAndToc, MailboxDeletingToc).
    Status AppendToMailbox(std::string_view bytes);
    std::int64_t NewMailboxSize() const { return newSize_; }
    // Writes out what AppendToMailbox still holds, so that the staged file
    // ('<mailbox file>.ledgerly-new') can be read back before the commit.
    Status WritePending();

    // Puts the staged files in place. Afterwards the transaction is done;
    // a failure leaves the old pair and says so.
    Status Commit();
    // Leaves the pair as it was and removes what was staged.
    void Abandon();
    // Abandon, with `why` followed by NothingChangedText(): the failure to return.
    Status AbandonWith(std::string_view why);
    // "Nothing was changed." and the backups made, when any were.
    std::string NothingChangedText() const;

private:
    PairTransaction() = default;
    Status StageMailbox();
    Status StageToc(std::string_view bytes, std::string& staged);

    std::optional<RewriteLock> lock_;
    MailboxPair pair_;
    PairTransactionOptions options_;
    std::string recovered_;
    PairReport check_;
    PairBackup backups_;
    TocImage toc_;
    std::string tocAsRead_;
    bool tocExisted_ = false;
    std::optional<MailboxReader> mailbox_;
    FileHandle newMailbox_;
    std::string pending_;  // appended bytes not yet written to newMailbox_
    ContentHash newHash_;
    std::int64_t newSize_ = 0;
    bool done_ = false;
};

}  // namespace ledgerly
