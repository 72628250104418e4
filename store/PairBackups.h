#pragma once
// Numbered backup copies of a mailbox pair: 'In.toc' is copied to 'In.toc.N'
// and 'In.mbx' to 'In.mbx.N', N the first number from 1 that is free for
// both names, so that the copies of one run belong together. A copy is
// written under a temporary name, flushed, read back and compared with the
// original, and only then given its number, never replacing anything; it
// takes the original's mode and owner. Backups are never overwritten and
// never deleted.
#include <string>
#include <vector>

#include "app/Result.h"
#include "store/Mailbox.h"

namespace ledgerly {

struct PairBackup {
    std::string toc;  // empty when the TOC file did not exist
    std::string mbx;  // empty when the mailbox file did not exist
};

// The first number from 1 for which no '<file>.<number>' exists, for every
// one of `files`. Fails when a name cannot be looked up (too long for the
// file system, a folder that cannot be searched): counting on would never end.
Result<long> FreeBackupNumber(const std::vector<std::string>& files);

// Copies `path` to '<path>.<number>', verified; returns that name.
Result<std::string> CopyToBackup(const std::string& path, long number);

// Both files of the pair that exist (the TOC file alone without
// `withMailbox`), the TOC file first, under one number. A copy that cannot be
// made whole stops it; the error names any copy already made.
Result<PairBackup> BackUpPair(const MailboxPair& pair, bool withMailbox = true);

}  // namespace ledgerly
