#pragma once
// Numbered backup copies: 'In.mbx' is copied to 'In.mbx.1', then 'In.mbx.2', ...
// taking the smallest number whose name is free. Backups are never overwritten
// and never deleted. A backup is written under a temporary name, flushed and
// only then given its number, so a numbered backup is always complete.
#include <string>

#include "app/AppState.h"
#include "app/Result.h"

namespace ledgerly {

// The first free backup name; fails when a name cannot be looked up (too long
// for the file system, a folder that cannot be searched): counting on would
// never end.
Result<std::string> NextBackupName(const std::string& path);

// Copies `path` to its next backup name and returns that name. A missing file
// gives an empty name and success. Sets TocBackupPath / MbxBackupPath by the
// file's extension ("toc" or "mbx", any case).
Result<std::string> CreateBackup(AppState& state, const std::string& path);

struct PairBackup {
    std::string toc;  // empty when the TOC file did not exist
    std::string mbx;  // empty when the mailbox file did not exist
};
// The TOC file first, then the mailbox file, as every rewriting tool does.
Result<PairBackup> BackupPair(AppState& state, const std::string& pairPath);

}  // namespace ledgerly
