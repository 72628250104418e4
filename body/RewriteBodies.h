#pragma once
// The engine of the tools that change message bodies: every message of a pair
// is split into header part and body, the body transformed, and the mailbox
// written anew with every summary's Offset and Length renewed. The header part
// is never changed.
//
// A run goes through one PairTransaction: the pair is checked (one a rewrite
// would damage is refused before anything is written) and backed up, the new
// mailbox streamed to a staged file and the new TOC built in memory, and both
// files replaced together at the end. A run is never half-applied; a stop
// (host.StopRequested, looked at before each message) leaves the pair as it was.
#include <cstdint>
#include <string>

#include "app/Host.h"
#include "app/Result.h"
#include "store/PairBackups.h"

namespace ledgerly {

enum class RewriteMode : int {
    StripHtml = 1,
    DecodeQuotedPrintable = 2,
    Rot13 = 3,
    Cipher = 4,    // body unchanged
    Decipher = 5,  // body unchanged
};

// Header parts longer than this are not split: such a message is kept as it is.
inline constexpr std::size_t kMaxHeaderPart = 32767;

// The body transform of a mode; modes 4 and 5 return the body unchanged.
std::string TransformBody(RewriteMode mode, std::string_view body);

// The message as the run writes it: separator repaired, header part kept,
// body transformed (without the pauses). `keptWhole` is set when the header
// part is too long to split and the message was kept unchanged.
std::string RewriteMessage(RewriteMode mode, std::string message, bool* keptWhole = nullptr);

struct RewriteResult {
    std::int32_t messages = 0;         // summaries rewritten
    std::int32_t keptWhole = 0;        // messages kept as they were (header part too long)
    std::int64_t oldSize = 0;          // mailbox file before and after
    std::int64_t newSize = 0;
    std::int64_t uncoveredBytes = 0;   // bytes no summary covered: left out, kept in the backup
    PairBackup backups;
    std::string recovered;             // what was done about an interrupted earlier rewrite
    // "Done. Operation was successful. Backup files created.", followed by what
    // was left out and where it is kept, when anything was.
    std::string ClosingText() const;
};

// `mbxPath` is the mailbox file's path (ending in "mbx"). Shows the number of
// each message in the status bar and pauses as the mode asks (host.Wait).
// A failure says what went wrong and that nothing was changed.
Result<RewriteResult> RewriteBodies(ToolContext& context, const std::string& mbxPath, RewriteMode mode);

}  // namespace ledgerly
