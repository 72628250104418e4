#pragma once
// The "Readers Digest": one whole mailbox as a single HTML page with a linked
// table of contents and every message in turn. The pair is only read; the
// page is built in a temporary file that takes the target's name only when it
// is complete, so a failed run never leaves a half-written page behind.
//
// Texts from the summaries (subject, correspondent, date) and the mailbox name
// are escaped for HTML. Bodies go through StripHtml, which leaves no complete
// tag; a "<" it leaves behind is literal text and is written as "&lt;" so that
// the "<br>" added at each line end cannot complete it into a tag. Character
// references in bodies are kept and render as such.
//
// The creation line uses the C library's current LC_TIME locale: the long date
// as "%A, %B <day>, %Y" (day without a leading zero) and the long time as "%X";
// text the locale gives in UTF-8 is converted to the page's Windows-1252.
#include <cstdint>
#include <ctime>
#include <string>
#include <string_view>
#include <vector>

#include "app/Host.h"
#include "app/Result.h"

namespace ledgerly {

inline constexpr std::string_view kDigestHomePage = "https://ledgerly.example.org/";
// What a freshly created digest file holds before the page is built.
inline constexpr std::string_view kDigestStub = "\r\n<BR>\r\n";

// "&", "<", ">" and the double quote as character references.
std::string EscapeHtml(std::string_view text);

std::string LongDate(const std::tm& when);
std::string LongTime(const std::tm& when);

struct DigestClock {
    std::time_t now = std::time(nullptr);
};

struct DigestResult {
    std::int32_t written = 0;          // messages on the page
    std::vector<std::string> skipped;  // one line for each message that could not be read
    std::int32_t lacking = 0;          // summaries the header announces but the TOC file lacks
    // Empty when every message is on the page; else the count of those that
    // are not, then one line for each (CR LF between lines).
    std::string SkippedReport() const;
};

// Builds the page for the mailbox into `outPath`. Whatever the file holds
// already comes before the message sections, less a leading CR LF "<BR>"
// (the menu command's stub); the file is then replaced by the whole page.
// A pair whose files cannot be read is refused before anything is written;
// a message that cannot be read (its summary's range runs outside the
// mailbox file) is left off the page, and the others keep their numbers.
Result<DigestResult> WriteReadersDigest(ToolContext& context, const std::string& mbxPath, const std::string& outPath,
                                        DigestClock clock = {});

// What the menu command does with the file the user chose: the file replaced
// by the stub, then WriteReadersDigest — the same bytes, but the file is only
// touched once the page is complete.
Result<DigestResult> ExportReadersDigest(ToolContext& context, const std::string& mbxPath, const std::string& outPath,
                                         DigestClock clock = {});

// "N messages exported. Ready."
std::string DigestStatusText(std::int32_t messages);

}  // namespace ledgerly
