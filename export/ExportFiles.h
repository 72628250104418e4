#pragma once
// Writes every message of a mailbox to a text file of its own: the whole
// header block, three summary lines or no header, then the body with or
// without its HTML markup. The pair is only read.
#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

#include "app/Host.h"
#include "app/Result.h"
#include "store/Mailbox.h"

namespace ledgerly {

enum class HeaderMode { All, Compact, None };

struct ExportOptions {
    std::string folder;             // destination folder (must exist)
    std::string extension = "txt";  // as typed: reduced to letters and digits
    HeaderMode headers = HeaderMode::All;
    bool keepHtml = false;          // false: bodies go through StripHtml
};

struct ExportFailure {
    std::int32_t message = 0;  // 1-based position in the TOC
    std::string file;
    std::string reason;  // a sentence that names the file
};

struct ExportResult {
    std::int32_t messages = 0;  // summaries walked
    std::int32_t written = 0;   // files appended to
    std::vector<ExportFailure> failures;
    // "N messages exported." (N = files written).
    std::string StatusText() const;
    // Empty when every message was written; else one paragraph for a box.
    std::string FailureReport() const;
};

// 'Re: Lunch, 12:30?' as message 7 with "txt" gives "07-ReLunch1230.txt";
// a subject with no letter or digit gives "NoSubject".
std::string ExportFileName(std::int32_t message, std::string_view subjectField, std::string_view extension);

// The bytes appended to one message's file.
std::string ExportText(std::string_view message, const MessageSummary& summary, HeaderMode headers, bool keepHtml);

// Refuses an inconsistent pair (its first problem) or a missing folder before
// anything is written. Reports each message's number through host.Status,
// pauses 100 ms at every 100th message, and ends with StatusText(). A message
// whose file cannot be written is skipped; the rest go on.
Result<ExportResult> ExportToFiles(ToolContext& context, const MailboxPair& pair, const ExportOptions& options);

}  // namespace ledgerly
