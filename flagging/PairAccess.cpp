#include "flagging/PairAccess.h"

namespace ledgerly {

Result<FlaggingPair> OpenFlaggingPair(std::string_view pairPath, ToolContext& context, PairOpening opening) {
    PairTransactionOptions options{PairChange::TocOnly};
    options.lookOnly = opening == PairOpening::Look;
    auto txn = PairTransaction::Begin(MailboxPair{std::string(pairPath)}, options, &context.state);
    if (!txn) return txn.status();
    if (!txn->Recovered().empty()) context.host.Status(txn->Recovered());
    const std::int32_t count = txn->Toc().UsableCount();
    return FlaggingPair{std::move(*txn), count};
}

std::string_view FlaggingHeaderPart(std::string_view message) {
    const std::size_t end = message.find(kBlankLine);
    if (end == std::string_view::npos || end > kMaxHeaderPart) return message;
    return message.substr(0, end);
}

}  // namespace ledgerly
