#include "store/Mailbox.h"

#include "app/FileHelpers.h"
#include "app/TextHelpers.h"

namespace ledgerly {

MailboxPair MailboxPair::FromMailboxPath(std::string_view mbxPath) {
    MailboxPair p;
    p.pairPath = std::string(mbxPath.substr(0, mbxPath.size() >= 3 ? mbxPath.size() - 3 : 0));
    p.mbxName = std::string(mbxPath);
    return p;
}

std::string MailboxPair::mbx() const { return WithExtensionAsFound(mbxName.empty() ? pairPath + "mbx" : mbxName); }

std::string MailboxPair::toc() const { return PartnerPath(mbx(), "toc"); }

bool EndsWithNoCase(std::string_view text, std::string_view suffix) {
    return text.size() >= suffix.size() && EqualsNoCase(text.substr(text.size() - suffix.size()), suffix);
}

Result<MailboxReader> MailboxReader::Open(const std::string& mbxPath) {
    MailboxReader r;
    r.file_.reset(OpenStdFile(mbxPath, "rb"));
    if (!r.file_) return Result<MailboxReader>::Fail("Cannot open the mailbox file '" + mbxPath + "'.");
    if (fseeko(r.file_.get(), 0, SEEK_END) != 0) return Result<MailboxReader>::Fail("Cannot read the mailbox file '" + mbxPath + "'.");
    r.size_ = ftello(r.file_.get());
    return r;
}

std::string MailboxReader::Read(std::int64_t offset, std::int64_t length) const {
    if (offset < 0 || length <= 0 || offset >= size_) return {};
    if (length > size_ - offset) length = size_ - offset;
    std::string out(static_cast<std::size_t>(length), '\0');
    if (fseeko(file_.get(), offset, SEEK_SET) != 0) return {};
    const std::size_t got = std::fread(out.data(), 1, out.size(), file_.get());
    out.resize(got);
    return out;
}

std::string MailboxReader::Fetch(const MessageSummary& s) const { return Read(s.Offset, s.Length); }

std::string_view HeaderPart(std::string_view message) {
    const std::size_t end = message.find(kBlankLine);
    return end == std::string_view::npos ? message : message.substr(0, end);
}

std::vector<std::string_view> SplitLines(std::string_view headerPart) {
    std::vector<std::string_view> lines;
    std::size_t pos = 0;
    for (;;) {
        const std::size_t at = headerPart.find(kCrLf, pos);
        if (at == std::string_view::npos) {
            lines.push_back(headerPart.substr(pos));
            break;
        }
        lines.push_back(headerPart.substr(pos, at - pos));
        pos = at + 2;
    }
    return lines;
}

HeaderValue FindHeader(const std::vector<std::string_view>& lines, std::string_view prefix, bool last) {
    HeaderValue result;
    for (std::string_view line : lines) {
        if (line.substr(0, prefix.size()) != prefix) continue;
        result.found = true;
        result.value = line.substr(prefix.size());
        if (!last) break;
    }
    return result;
}

bool HasAttachmentMarker(std::string_view message, const std::vector<std::string_view>& headerLines) {
    for (std::string_view line : headerLines)
        if (line.size() > 18 && line.substr(0, 15) == "X-Attachments: ") return true;
    return message.find("\r\nAttachment Converted: ") != std::string_view::npos;
}

SplitMessage NormaliseAndSplit(std::string message) {
    if (message.find(kBlankLine) == std::string::npos) {
        const std::size_t cr = message.find('\r');
        if (cr != std::string::npos) message.replace(cr, 1, kBlankLine);
    }
    if (message.find(kBlankLine) == std::string::npos) {
        const std::size_t lf = message.find('\n');
        if (lf != std::string::npos) message.replace(lf, 1, kBlankLine);
    }
    const std::size_t at = message.find(kBlankLine);
    std::size_t h = at == std::string::npos ? 1 : at;
    if (h > message.size()) h = message.size();
    SplitMessage out;
    out.header = message.substr(0, h);
    out.body = message.substr(h);
    return out;
}

}  // namespace ledgerly
