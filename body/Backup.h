#pragma once
// Numbered backup copies: 'In.mbx' is copied to 'In.mbx.1', then 'In.mbx.2', ...
// The copies are made by store/PairBackups: verified, never overwritten, never
// deleted, and the two files of a pair share one number.
#include <string>

#include "app/AppState.h"
#include "app/Result.h"
#include "store/PairBackups.h"

namespace ledgerly {

// Copies `path` to the first free '<path>.<N>' and returns that name. A
// missing file gives an empty name and success. Sets TocBackupPath /
// MbxBackupPath by the file's extension ("toc" or "mbx", any case).
Result<std::string> CreateBackup(AppState& state, const std::string& path);

// The TOC file first, then the mailbox file, under one number.
Result<PairBackup> BackupPair(AppState& state, const std::string& pairPath);

}  // namespace ledgerly
