#include "store/ColumnWidths.h"

#include <cmath>

#include "app/FileHelpers.h"
#include "store/FolderTree.h"
#include "store/Mailbox.h"
#include "store/PairTransaction.h"

namespace ledgerly {
namespace {

bool IsVersion31(const TocHeader& h) { return (h.Version() & 0xFF) == 0x31; }

// Where S, P, A, Label, Who, Date and K stand in a version 0x31 header (slot 1
// is the Junk column's).
constexpr int kSlot31[7] = {0, 2, 3, 4, 5, 6, 7};

std::int16_t Cell(double width) {
    const double w = std::floor(width);
    if (!(w >= 0)) return 0;
    return static_cast<std::int16_t>(w > 32767 ? 32767 : w);
}

}  // namespace

void SetColumnWidths(TocHeader& header, const ColumnWidthSet& widths) {
    if (IsVersion31(header)) {
        for (int i = 0; i < 7; ++i) header.ColumnWidths[kSlot31[i]] = Cell(widths[i]);
    } else {
        for (int i = 0; i < 8; ++i) header.ColumnWidths[i] = Cell(widths[i]);
    }
}

ColumnWidthSet GetColumnWidths(const TocHeader& header) {
    ColumnWidthSet w{};
    if (IsVersion31(header)) {
        for (int i = 0; i < 7; ++i) w[i] = header.ColumnWidths[kSlot31[i]];
    } else {
        for (int i = 0; i < 8; ++i) w[i] = header.ColumnWidths[i];
    }
    return w;
}

std::array<const char*, 8> ColumnSlotNames(const TocHeader& header) {
    if (IsVersion31(header)) return {"S", "Junk", "P", "A", "Label", "Who", "Date", "K"};
    return {"S", "P", "A", "Label", "Who", "Date", "K", "V"};
}

Result<bool> WriteColumnWidths(const std::string& pairPath, const ColumnWidthSet& widths, bool dryRun) {
    const MailboxPair pair{pairPath};
    if (!FileExists(pair.toc())) return false;
    PairTransactionOptions options{PairChange::TocOnly};
    options.lookOnly = dryRun;
    auto txn = PairTransaction::Begin(pair, options);
    if (!txn) return Result<bool>::Fail(pair.toc() + ": " + txn.error());
    if (!txn->Toc().HasHeader()) return Result<bool>::Fail(pair.toc() + ": the file is shorter than a TOC header.");
    TocHeader header = txn->Toc().ReadHeader();
    const auto before = header.ColumnWidths;
    SetColumnWidths(header, widths);
    if (dryRun) return header.ColumnWidths != before;
    txn->Toc().WriteHeader(header);
    if (Status s = txn->Commit(); !s) return Result<bool>::Fail(pair.toc() + ": " + s.error());
    return true;
}

std::vector<std::string> MailboxesBelow(const std::string& folder) {
    FolderTree tree;
    BuildTree(tree, folder);
    std::vector<std::string> out;
    for (const TreeNode& node : tree.Nodes())
        if (IsMailboxKey(node.key)) out.push_back(node.key);
    return out;
}

}  // namespace ledgerly
