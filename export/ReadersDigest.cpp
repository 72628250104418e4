#include "export/ReadersDigest.h"

#include <span>
#include <utility>

#include "app/Encoding.h"
#include "app/FileHelpers.h"
#include "app/TextHelpers.h"
#include "body/StripHtml.h"
#include "store/Mailbox.h"
#include "store/PairCheck.h"

namespace ledgerly {
namespace {

std::string Format(const std::tm& when, const char* format) {
    char buf[256];
    const std::size_t n = std::strftime(buf, sizeof buf, format, &when);
    return Utf8ToCp1252(std::string_view(buf, n));
}

std::string Field(std::span<const char> field) { return EscapeHtml(TrimAtNull(std::string_view(field.data(), field.size()))); }

// The body as the page shows it: stripped, a leftover "<" made literal, and
// "<br>" after every line break.
std::string PageBody(std::string body) {
    std::string text = ReplaceAll(StripHtml(body), "<", "&lt;");
    return ReplaceAll(text, "\r\n", "\r\n<br>");
}

std::string TocEntry(const std::string& i, const std::string& s, const std::string& w, const std::string& d) {
    std::string e;
    e += "<A NAME=\"!" + i + "!\"></A>";
    e += "  <A HREF=\"#[" + i + "]\">" + i + ". " + s + "</A>";
    e += "\r\n<BR>          " + w;
    e += "\r\n<BR>          " + d;
    e += "\r\n<BR>";
    return e;
}

void AppendSection(std::string& out, const std::string& i, const std::string& s, const std::string& w,
                   const std::string& d, const std::string& b) {
    out += "<A NAME=\"[" + i + "]\"></A>Date: " + d + "<br>\r\n";
    out += "Who: " + w + "<br>\r\n";
    out += "<A HREF=\"#!" + i + "!\">Subject: " + s + "</A><br>\r\n";
    out += b;
    out += "\r\n<HR>\r\n";
}

struct Page {
    std::string bytes;
    std::int32_t messages = 0;
};

Result<Page> BuildPage(ToolContext& context, const std::string& mbxPath, std::string existing, std::time_t now) {
    const MailboxPair pair = MailboxPair::FromMailboxPath(mbxPath);
    auto opened = OpenCheckedPair(pair);
    if (!opened) return opened.status();
    const TocImage& toc = opened->toc;
    const MailboxReader& mailbox = opened->mailbox;

    Page page;
    std::string entries;
    std::string sections = std::move(existing);
    page.messages = toc.UsableCount();
    for (std::int32_t k = 1; k <= page.messages; ++k) {
        if (k % 100 == 0) context.host.Wait(100);
        const MessageSummary summary = toc.ReadSummary(k);
        const std::string i = std::to_string(k);
        const std::string s = Field(summary.Subject), w = Field(summary.Who), d = Field(summary.Date);
        entries += TocEntry(i, s, w, d);
        AppendSection(sections, i, s, w, d, PageBody(NormaliseAndSplit(mailbox.Fetch(summary)).body));
        context.host.Status(i);
    }
    if (sections.size() >= 6 && EqualsNoCase(std::string_view(sections).substr(0, 6), "\r\n<BR>")) sections.erase(0, 6);

    std::tm local{};
    localtime_r(&now, &local);
    const std::string name = EscapeHtml(Utf8ToCp1252(GetFileName(mbxPath, true)));
    const std::string lines[] = {
        "<BR>",
        "<HTML>",
        "<HEAD>",
        "<meta http-equiv=\"Content-Type\" content=\"text/html\"; charset=\"windows-1250\">",
        "<TITLE>",
        name,
        "</TITLE>",
        "</HEAD>",
        "<BODY>",
        "<H2>",
        "<CENTER><I>Readers Digest</I></CENTER>",
        "<CENTER>Mailbox " + name + "</CENTER>",
        "</H2>",
        "<center><I>Created on " + LongDate(local) + " at " + LongTime(local) + "</I></center>",
        "<HR>",
        "<PRE>",
        entries,
        "</PRE>",
        "<HR>",
        sections,
        "<BR>",
        "<BR><I><CENTER>",
        "<A HREF=\"" + std::string(kDigestHomePage) + "\">",
        "Ledgerly " + std::to_string(LEDGERLY_VERSION_MAJOR) + "." + std::to_string(LEDGERLY_VERSION_MINOR) + "<BR>",
        "</A></I></CENTER>",
        "</BODY></HTML>",
    };
    std::size_t size = 0;
    for (const std::string& line : lines) size += line.size() + 2;
    page.bytes.reserve(size);
    for (const std::string& line : lines) {
        page.bytes += line;
        page.bytes += kCrLf;
    }
    return page;
}

Result<std::int32_t> WritePage(ToolContext& context, const std::string& mbxPath, const std::string& outPath,
                               std::string existing, std::time_t now) {
    auto page = BuildPage(context, mbxPath, std::move(existing), now);
    if (!page) return page.status();
    if (Status written = WriteWholeFileChecked(outPath, page->bytes); !written) return written;
    return page->messages;
}

}  // namespace

std::string EscapeHtml(std::string_view text) {
    std::string out;
    out.reserve(text.size());
    for (char c : text) {
        switch (c) {
        case '&': out += "&amp;"; break;
        case '<': out += "&lt;"; break;
        case '>': out += "&gt;"; break;
        case '"': out += "&quot;"; break;
        default: out.push_back(c);
        }
    }
    return out;
}

std::string LongDate(const std::tm& when) {
    return Format(when, "%A, %B ") + std::to_string(when.tm_mday) + Format(when, ", %Y");
}

std::string LongTime(const std::tm& when) { return Format(when, "%X"); }

Result<std::int32_t> WriteReadersDigest(ToolContext& context, const std::string& mbxPath, const std::string& outPath,
                                        DigestClock clock) {
    return WritePage(context, mbxPath, outPath, ReadWholeFile(outPath).value_or(std::string()), clock.now);
}

Result<std::int32_t> ExportReadersDigest(ToolContext& context, const std::string& mbxPath, const std::string& outPath,
                                         DigestClock clock) {
    return WritePage(context, mbxPath, outPath, std::string(kDigestStub), clock.now);
}

std::string DigestStatusText(std::int32_t messages) { return std::to_string(messages) + " messages exported. Ready."; }

}  // namespace ledgerly
