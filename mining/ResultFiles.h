#pragma once
// What the results window writes: records for Eudora's link history, address
// history and nickname files, and the export file.
#include <string>
#include <string_view>
#include <vector>

#include "app/Host.h"
#include "app/Result.h"
#include "mining/MinerResult.h"

namespace ledgerly {

// Six lines: an empty line, the text, two empty lines, "0 0 1 20", "---end".
std::string LinkHistoryRecord(std::string_view text);
// The tag and a line break.
std::string AddressHistoryLine(std::string_view tag);
// "alias TEXT TEXT" and "note TEXT Extracted from mailbox: NAME".
std::string NicknameLines(std::string_view text, std::string_view mailboxName);
// The mailbox name (its first 30 characters when longer), trimmed of spaces,
// + ".txt"; "extracted.txt" when there is no name. Windows-1252 in and out.
std::string NicknameFileName(std::string_view mailboxName);

enum class ExportFormat { Csv = 1, Tab = 2, List = 3 };  // the save dialog's filter index
inline constexpr const char* kExportFilters[3] = {
    "Comma Separated Value Files (*.csv)", "Tab Delimited Value Files (*.txt)", "List Files (*.lst)"};
inline constexpr const char* kExportDialogTitle = "Export E-Mail Addresses";
// The mailbox name, then the separator and the text of every entry; no line
// break at the end.
std::string ExportString(std::string_view mailboxName, const std::vector<std::string>& texts, ExportFormat format);

// Appends the bytes to the file (created when missing) and flushes it.
Status AppendToFile(const std::string& path, std::string_view bytes);

// The history command: refused while Eudora runs; in link mode the texts
// go to the link history file, in address mode the tags to the address
// history file. Entries in list order.
Status AddToHistory(ToolContext& context, MinerMode mode, const std::vector<MinerEntry>& entries);
// Appends the entries' nickname lines to the mailbox's nickname file in the
// Nickname folder; refused while Eudora runs. Gives the file's path.
Result<std::string> AddToAddressBook(ToolContext& context, std::string_view mailboxName, const std::vector<MinerEntry>& entries);

}  // namespace ledgerly
