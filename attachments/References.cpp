#include "attachments/References.h"

#include "app/Encoding.h"
#include "app/TextHelpers.h"

namespace ledgerly {
namespace {

bool StartsWith(std::string_view line, std::string_view prefix, bool exactCase) {
    if (line.size() < prefix.size()) return false;
    return exactCase ? line.substr(0, prefix.size()) == prefix : EqualsNoCase(line.substr(0, prefix.size()), prefix);
}

}  // namespace

std::string FoldText(std::string_view text) {
    std::string out(text);
    for (char& c : out) c = FoldCase(c);
    return out;
}

std::string ReplaceAllNoCase(std::string_view text, std::string_view from, std::string_view to) {
    if (from.empty()) return std::string(text);
    const std::string folded = FoldText(text), key = FoldText(from);
    std::string out;
    out.reserve(text.size());
    std::size_t pos = 0;
    for (std::size_t at = folded.find(key); at != std::string::npos; at = folded.find(key, pos)) {
        out.append(text.substr(pos, at - pos));
        out.append(to);
        pos = at + key.size();
    }
    out.append(text.substr(pos));
    return out;
}

std::string NativeToMail(std::string_view native) {
    std::string cp = Utf8ToCp1252(native);
    return Cp1252ToUtf8(cp) == native ? cp : std::string(native);
}

std::vector<std::string> MailSpellings(const std::string& cp1252) {
    std::vector<std::string> out{cp1252};
    if (std::string utf8 = Cp1252ToUtf8(cp1252); utf8 != cp1252) out.push_back(std::move(utf8));
    return out;
}

std::string ConvertedPath(std::string_view rest) {
    std::string path(rest);
    if (!path.empty() && path.back() == '"') path.pop_back();
    if (!path.empty() && path.front() == '"') path.erase(0, 1);
    return path;
}

std::vector<std::string> XAttachmentPieces(std::string_view rest) {
    std::vector<std::string> pieces;
    std::size_t start = 0;
    for (;;) {
        const std::size_t semi = rest.find(';', start);
        std::string piece = TrimSpaces(rest.substr(start, semi == std::string_view::npos ? std::string_view::npos : semi - start));
        if (!piece.empty()) pieces.push_back(std::move(piece));
        if (semi == std::string_view::npos) break;
        start = semi + 1;
    }
    return pieces;
}

std::vector<std::string> AttachmentReferences(std::string_view text, bool exactCase) {
    std::vector<std::string> refs;
    std::size_t start = 0;
    while (start <= text.size()) {
        std::size_t end = text.find('\n', start);
        std::string_view line = text.substr(start, end == std::string_view::npos ? std::string_view::npos : end - start);
        if (!line.empty() && line.back() == '\r') line.remove_suffix(1);
        if (StartsWith(line, kAttachmentConverted, exactCase)) {
            std::string path = ConvertedPath(line.substr(kAttachmentConverted.size()));
            if (!path.empty()) refs.push_back(std::move(path));
        } else if (StartsWith(line, kXAttachments, exactCase)) {
            for (std::string& p : XAttachmentPieces(line.substr(kXAttachments.size()))) refs.push_back(std::move(p));
        }
        if (end == std::string_view::npos) break;
        start = end + 1;
    }
    return refs;
}

}  // namespace ledgerly
