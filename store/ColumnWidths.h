#pragma once
// The column widths of Eudora's mailbox window, kept in each TOC header.
#include <array>
#include <string>
#include <vector>

#include "app/Result.h"
#include "store/Toc.h"

namespace ledgerly {

// Widths in character cells, in the order S, P, A, Label, Who, Date, K, V.
using ColumnWidthSet = std::array<double, 8>;
inline constexpr ColumnWidthSet kDefaultColumnWidths{3, 3, 3, 5, 7, 7, 3, 3};
// Settings-file keys (section "Columns"), in the same order.
inline constexpr std::array<const char*, 8> kColumnKeys{"Status", "Priority", "Attachment", "Label", "Who", "Date", "Size", "Server"};

// Stores the integer part of each width into the header. Eudora 6.1-7.1 TOC
// files (version 0x31) keep the columns as Status, Junk, Priority, Attachment,
// Label, Who, Date, Size: there the Junk slot keeps its value and V has no
// slot. Older files keep them in the order of ColumnWidthSet.
void SetColumnWidths(TocHeader& header, const ColumnWidthSet& widths);
// The widths a header holds, in ColumnWidthSet order (V is 0 in a 0x31 header).
ColumnWidthSet GetColumnWidths(const TocHeader& header);
// The column each of the header's eight width slots belongs to, in slot
// order: S, P, A, Label, Who, Date, K, V; in a 0x31 header S, Junk, P, A,
// Label, Who, Date, K.
std::array<const char*, 8> ColumnSlotNames(const TocHeader& header);

// Writes the widths into the TOC header of one pair through a TOC-only
// PairTransaction; no other byte changes. A pair whose TOC file is missing is
// skipped (false, no error); a pair that fails the pair check is refused.
// With `dryRun` nothing is written, and the result says whether the header's
// widths would change.
Result<bool> WriteColumnWidths(const std::string& pairPath, const ColumnWidthSet& widths, bool dryRun = false);

// The mailbox files under a folder in the order the folder tree adds them:
// the folder's own mailboxes and those of its ".fol" sub-folders, recursively.
std::vector<std::string> MailboxesBelow(const std::string& folder);

}  // namespace ledgerly
