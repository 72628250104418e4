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
    std::int32_t message = 0;  // 1-based position in the TOC; 0 for the summaries a short TOC lacks
    std::string file;          // empty when the message could not be read
    std::string reason;        // a sentence; it names the file when there is one
};

struct ExportResult {
    std::int32_t messages = 0;  // summaries walked
    std::int32_t written = 0;   // files appended to
    std::int32_t lacking = 0;   // summaries the header announces but the TOC file lacks
    std::vector<ExportFailure> failures;
    // "N messages exported." (N = files written).
    std::string StatusText() const;
    // Empty when every message was written; else the count of those that were
    // not, then one line for each (CR LF between lines).
    std::string FailureReport() const;
};

// 'Re: Lunch, 12:30?' as message 7 with "txt" gives "07-ReLunch1230.txt";
// a subject with no letter or digit gives "NoSubject".
std::string ExportFileName(std::int32_t message, std::string_view subjectField, std::string_view extension);

// The bytes appended to one message's file.
std::string ExportText(std::string_view message, const MessageSummary& summary, HeaderMode headers, bool keepHtml);

// Refuses a pair whose files cannot be read, or a missing folder, before
// anything is written. Reports each message's number through host.Status,
// pauses 100 ms at every 100th message, and ends with StatusText(). A message
// that cannot be read (its summary's range runs outside the mailbox file) or
// whose file cannot be written is skipped and listed; the rest go on.
Result<ExportResult> ExportToFiles(ToolContext& context, const MailboxPair& pair, const ExportOptions& options);

}  // namespace ledgerly
