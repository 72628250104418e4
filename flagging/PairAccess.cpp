#include "flagging/PairAccess.h"

#include "store/PairCheck.h"
#include "store/PairRewrite.h"

namespace ledgerly {

Result<FlaggingPair> OpenFlaggingPair(std::string_view pairPath, Host& host, PairOpening opening) {
    MailboxPair pair{std::string(pairPath)};
    // A body rewrite in this folder may be writing its temporary files now:
    // they are not the remains of a crash, and its new TOC file must not be
    // overwritten by the one read here.
    auto lock = RewriteLock::Acquire(pair.mbx());
    if (!lock) return lock.status();
    const std::string recovered = opening == PairOpening::Change ? RecoverInterruptedRewrite(pair) : std::string();
    if (!recovered.empty()) host.Status(recovered);
    auto toc = TocImage::Load(pair.toc());
    if (!toc) return toc.status();
    auto mbx = MailboxReader::Open(pair.mbx());
    if (!mbx) return mbx.status();
    const PairReport report = CheckPairImage(*toc, mbx->Size(), &*mbx);
    if (const PairProblem* problem = report.FirstError()) return Status::Fail(problem->text);
    FlaggingPair open{std::move(*lock), std::move(pair), std::move(*toc), std::move(*mbx), 0};
    open.count = open.toc.UsableCount();
    return open;
}

std::string_view FlaggingHeaderPart(std::string_view message) {
    const std::size_t end = message.find(kBlankLine);
    if (end == std::string_view::npos || end > kMaxHeaderPart) return message;
    return message.substr(0, end);
}

}  // namespace ledgerly
