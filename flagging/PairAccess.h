#pragma once
// Opening a mailbox pair for the flagging tools: a TOC-only PairTransaction
// (the folder locked, an interrupted run finished or undone, the pair checked
// and refused when a change would damage it), with the TOC held in memory so
// that it is saved whole, or not at all, at the end of a run.
#include <string>
#include <string_view>
#include <vector>

#include "app/Host.h"
#include "app/Result.h"
#include "store/Mailbox.h"
#include "store/PairTransaction.h"
#include "store/Toc.h"

namespace ledgerly {

struct FlaggingPair {
    PairTransaction txn;
    std::int32_t count = 0;  // the summaries to walk
    TocImage& toc() { return txn.Toc(); }
    const MailboxReader& mbx() const { return txn.Mailbox(); }
};

// Change: an interrupted earlier run is finished or undone first. Look (a
// dry run): the pair is read as it stands and nothing is written.
enum class PairOpening { Change, Look };
// What recovery did is shown in the status bar.
Result<FlaggingPair> OpenFlaggingPair(std::string_view pairPath, ToolContext& context, PairOpening opening = PairOpening::Change);

// The header part as the flagging tools read it: the text before the first
// CR LF CR LF; a message without one, or whose header part is longer than
// 32,767 characters, is read whole.
std::string_view FlaggingHeaderPart(std::string_view message);
inline constexpr std::size_t kMaxHeaderPart = 32767;

}  // namespace ledgerly
