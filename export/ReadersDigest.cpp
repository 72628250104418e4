#include "export/ReadersDigest.h"

#include <cstring>
#include <filesystem>
#include <span>
#include <utility>

#include "app/AtomicFile.h"
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
// "<br>" after every line break (both in one pass), appended to `out`.
void AppendPageBody(std::string& out, std::string_view body) {
    const std::string text = StripHtml(body);
    const char* const base = text.data();
    const std::size_t size = text.size();
    const auto next = [&](char c, std::size_t from) {
        const void* at = from < size ? std::memchr(base + from, c, size - from) : nullptr;
        return at ? static_cast<std::size_t>(static_cast<const char*>(at) - base) : size;
    };
    std::size_t done = 0, lt = next('<', 0), lf = next('\n', 0);
    while (lt < size || lf < size) {
        if (lt < lf) {
            out.append(base + done, lt - done);
            out += "&lt;";
            done = lt + 1;
            lt = next('<', done);
        } else {
            if (lf > 0 && base[lf - 1] == '\r') {
                out.append(base + done, lf + 1 - done);
                out += "<br>";
                done = lf + 1;
            }
            lf = next('\n', lf + 1);
        }
    }
    out.append(base + done, size - done);
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

void AppendSection(std::string& out, const std::string& i, const std::string& s, const std::string& w, const std::string& d,
                   std::string_view body) {
    out += "<A NAME=\"[" + i + "]\"></A>Date: " + d + "<br>\r\n";
    out += "Who: " + w + "<br>\r\n";
    out += "<A HREF=\"#!" + i + "!\">Subject: " + s + "</A><br>\r\n";
    AppendPageBody(out, body);
    out += "\r\n<HR>\r\n";
}

constexpr std::string_view kStubStart = "\r\n<BR>";

// What the page shows before the message sections: the text the output file
// held (or the stub), less a leading CR LF "<BR>". Copied in pieces.
Status CopyEarlierText(const std::string* fromFile, std::string_view text, AtomicFile& page) {
    const auto dropStub = [](std::string_view first) {
        return first.size() >= kStubStart.size() && EqualsNoCase(first.substr(0, kStubStart.size()), kStubStart)
                   ? first.substr(kStubStart.size())
                   : first;
    };
    if (!fromFile) return page.Append(dropStub(text));
    std::error_code ec;
    if (!std::filesystem::exists(FsPath(*fromFile), ec)) return {};  // no file yet: nothing came before
    bool first = true;
    return ReadInPieces(*fromFile, [&](std::string_view bytes) {
        if (first) bytes = dropStub(bytes);
        first = false;
        return page.Append(bytes);
    });
}

// The page is written as it is built, into a temporary file that replaces
// `outPath` only when it is complete: memory holds the table of contents and
// one message at a time, never the whole page.
Result<DigestResult> WritePage(ToolContext& context, const std::string& mbxPath, const std::string& outPath,
                               const std::string* earlierFile, std::string_view earlierText, std::time_t now) {
    const MailboxPair pair = MailboxPair::FromMailboxPath(mbxPath);
    auto opened = OpenReadablePair(pair);
    if (!opened) return opened.status();
    const TocImage& toc = opened->toc;
    const MailboxReader& mailbox = opened->mailbox;
    const std::int32_t messages = toc.UsableCount();
    DigestResult result;
    result.lacking = opened->lacking;
    for (const PairProblem& p : opened->unreadable) result.skipped.push_back(p.text);

    std::string entries;
    for (std::int32_t k = 1; k <= messages; ++k) {
        if (opened->Unreadable(k)) continue;
        const MessageSummary summary = toc.ReadSummary(k);
        entries += TocEntry(std::to_string(k), Field(summary.Subject), Field(summary.Who), Field(summary.Date));
    }

    std::tm local{};
#ifdef _WIN32
    localtime_s(&local, &now);
#else
    localtime_r(&now, &local);
#endif
    const std::string name = EscapeHtml(Utf8ToCp1252(GetFileName(mbxPath, true)));
    const std::string head[] = {
        "<BR>",
        "<HTML>",
        "<HEAD>",
        "<meta http-equiv=\"Content-Type\" content=\"text/html\"; charset=\"windows-1252\">",
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
        std::move(entries),
        "</PRE>",
        "<HR>",
    };
    const std::string tail[] = {
        "<BR>",
        "<BR><I><CENTER>",
        "<A HREF=\"" + std::string(kDigestHomePage) + "\">",
        "Ledgerly " + std::to_string(LEDGERLY_VERSION_MAJOR) + "." + std::to_string(LEDGERLY_VERSION_MINOR) + "<BR>",
        "</A></I></CENTER>",
        "</BODY></HTML>",
    };

    auto page = AtomicFile::Create(outPath);
    if (!page) return page.status();
    const auto lines = [&](std::span<const std::string> list) -> Status {
        for (const std::string& line : list)
            if (Status s = page->Append(line + std::string(kCrLf)); !s) return s;
        return {};
    };
    if (Status s = lines(head); !s) return s;
    if (Status s = CopyEarlierText(earlierFile, earlierText, *page); !s) return s;
    // Sections go to the page in pieces of about 1 MB.
    constexpr std::size_t kPiece = 1 << 20;
    std::string pending;
    for (std::int32_t k = 1; k <= messages; ++k) {
        if (k % 100 == 0) context.host.Wait(100);
        if (opened->Unreadable(k)) continue;
        const MessageSummary summary = toc.ReadSummary(k);
        const std::string i = std::to_string(k);
        const std::string message = mailbox.Fetch(summary);
        SplitMessage repaired;
        AppendSection(pending, i, Field(summary.Subject), Field(summary.Who), Field(summary.Date), SplitWithoutCopy(message, repaired).body);
        if (pending.size() >= kPiece) {
            if (Status s = page->Append(pending); !s) return s;
            pending.clear();
        }
        ++result.written;
        context.host.Status(i);
        context.host.Progress("export digest", k, messages, "messages");
    }
    pending += kCrLf;
    if (Status s = page->Append(pending); !s) return s;
    if (Status s = lines(tail); !s) return s;
    if (Status s = page->Commit(); !s) return s;
    return result;
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

std::string DigestResult::SkippedReport() const {
    if (skipped.empty()) return {};
    const std::int64_t count = lacking + static_cast<std::int64_t>(skipped.size()) - (lacking > 0 ? 1 : 0);
    std::string text = std::to_string(count) + (count == 1 ? " message was" : " messages were") + " left off the page.";
    for (const std::string& line : skipped) text += "\r\n" + line;
    return text;
}

Result<DigestResult> WriteReadersDigest(ToolContext& context, const std::string& mbxPath, const std::string& outPath,
                                        DigestClock clock) {
    return WritePage(context, mbxPath, outPath, &outPath, {}, clock.now);
}

Result<DigestResult> ExportReadersDigest(ToolContext& context, const std::string& mbxPath, const std::string& outPath,
                                         DigestClock clock) {
    return WritePage(context, mbxPath, outPath, nullptr, kDigestStub, clock.now);
}

std::string DigestStatusText(std::int32_t messages) { return std::to_string(messages) + " messages exported. Ready."; }

}  // namespace ledgerly
