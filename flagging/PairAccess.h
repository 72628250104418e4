#pragma once
// Opening a mailbox pair for the flagging tools: the folder is locked against
// other runs for as long as the pair is open, an interrupted rewrite is
// finished first, the pair must pass its check, and the TOC file is held in
// memory so that it is saved whole (or not at all) at the end of a run.
#include <string>
#include <string_view>
#include <vector>

#include "app/Host.h"
#include "app/Result.h"
#include "store/Mailbox.h"
#include "store/RewriteLock.h"
#include "store/Toc.h"

namespace ledgerly {

struct FlaggingPair {
    RewriteLock lock;
    MailboxPair pair;
    TocImage toc;
    MailboxReader mbx;
    std::int32_t count = 0;  // the summaries to walk
};

// Change: an interrupted earlier rewrite is finished or undone first. Look
// (a dry run): the pair is read as it stands and nothing is written.
enum class PairOpening { Change, Look };
// Refuses a pair whose check finds an error, with the first problem's text.
Result<FlaggingPair> OpenFlaggingPair(std::string_view pairPath, Host& host, PairOpening opening = PairOpening::Change);

// The header part as the flagging tools read it: the text before the first
// CR LF CR LF; a message without one, or whose header part is longer than
// 32,767 characters, is read whole.
std::string_view FlaggingHeaderPart(std::string_view message);
inline constexpr std::size_t kMaxHeaderPart = 32767;

}  // namespace ledgerly
