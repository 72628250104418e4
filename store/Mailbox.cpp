#include "store/Mailbox.h"

#include <algorithm>

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
    auto file = FileHandle::OpenForReading(mbxPath);
    if (!file) return file.status();
    auto size = file->Size();
    if (!size) return size.status();
    MailboxReader r;
    r.file_ = std::move(*file);
    r.size_ = *size;
    return r;
}

std::size_t MailboxReader::ReadAt(char* to, std::size_t length, std::int64_t offset) const {
    auto got = file_.ReadAt(offset, to, length);
    return got ? *got : 0;
}

std::string MailboxReader::Read(std::int64_t offset, std::int64_t length) const {
    if (offset < 0 || length <= 0 || offset >= size_) return {};
    if (length > size_ - offset) length = size_ - offset;
    const bool onward = offset >= lastEnd_ && offset - lastEnd_ <= kSmallGap;
    lastEnd_ = offset + length;
    const auto inWindow = [&] { return window_ && offset >= windowStart_ && offset + length <= windowStart_ + windowSize_; };
    if (!inWindow() && onward && length <= kSmallRead) {
        if (!window_) window_ = std::make_unique<char[]>(static_cast<std::size_t>(kWindow));
        windowStart_ = offset;
        windowSize_ = static_cast<std::int64_t>(ReadAt(window_.get(), static_cast<std::size_t>(std::min(kWindow, size_ - offset)), offset));
    }
    if (inWindow()) return std::string(window_.get() + (offset - windowStart_), static_cast<std::size_t>(length));
    // Large and out-of-order reads go straight into the result.
    std::string out(static_cast<std::size_t>(length), '\0');
    out.resize(ReadAt(out.data(), out.size(), offset));
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

SplitViews SplitWithoutCopy(std::string_view message, SplitMessage& repaired) {
    if (const std::size_t at = message.find(kBlankLine); at != std::string_view::npos) return {message.substr(0, at), message.substr(at)};
    repaired = NormaliseAndSplit(std::string(message));
    return {repaired.header, repaired.body};
}

}  // namespace ledgerly
