#include "migrate/EudoraMessage.h"

#include <algorithm>
#include <cctype>
#include <cstring>

#include "app/TextHelpers.h"
#include "attachments/References.h"
#include "store/Mailbox.h"

namespace ledgerly {
namespace {

char AsciiLower(char c) { return (c >= 'A' && c <= 'Z') ? static_cast<char>(c + 32) : c; }

std::string AsciiLowerText(std::string_view s) {
    std::string out(s);
    for (char& c : out) c = AsciiLower(c);
    return out;
}

bool StartsWithNoCase(std::string_view text, std::string_view prefix) {
    if (text.size() < prefix.size()) return false;
    for (std::size_t i = 0; i < prefix.size(); ++i)
        if (AsciiLower(text[i]) != AsciiLower(prefix[i])) return false;
    return true;
}

// The first `needle` (ASCII, any case) at or after `from`; npos when none.
std::size_t FindNoCase(std::string_view text, std::string_view needle, std::size_t from) {
    if (needle.empty() || from >= text.size()) return std::string_view::npos;
    const char first = AsciiLower(needle[0]);
    const char firstUpper = (first >= 'a' && first <= 'z') ? static_cast<char>(first - 32) : first;
    for (std::size_t i = from; i + needle.size() <= text.size(); ++i) {
        const char* hit = static_cast<const char*>(std::memchr(text.data() + i, first, text.size() - i));
        if (first != firstUpper) {
            const char* upper = static_cast<const char*>(std::memchr(text.data() + i, firstUpper, text.size() - i));
            if (!hit || (upper && upper < hit)) hit = upper;
        }
        if (!hit) return std::string_view::npos;
        i = static_cast<std::size_t>(hit - text.data());
        if (i + needle.size() > text.size()) return std::string_view::npos;
        if (StartsWithNoCase(text.substr(i), needle)) return i;
    }
    return std::string_view::npos;
}

// One line of `text` from `pos`: its bytes without the line end (LF or CR LF)
// and where the next line starts.
struct Line {
    std::string_view text;
    std::size_t next = 0;
    bool ended = false;  // a line end followed
};

Line LineAt(std::string_view text, std::size_t pos) {
    Line line;
    const std::size_t nl = text.find('\n', pos);
    const std::size_t end = nl == std::string_view::npos ? text.size() : nl;
    line.text = text.substr(pos, end - pos);
    if (nl != std::string_view::npos) {
        if (!line.text.empty() && line.text.back() == '\r') line.text.remove_suffix(1);
        line.next = nl + 1;
        line.ended = true;
    } else {
        line.next = text.size();
    }
    return line;
}

bool IsHeaderName(std::string_view name) {
    if (name.empty()) return false;
    for (char c : name) {
        const auto b = static_cast<unsigned char>(c);
        if (b < 33 || b > 126 || c == ':') return false;
    }
    return true;
}

std::string TrimBlanks(std::string_view s) {
    std::size_t a = 0, b = s.size();
    while (a < b && (s[a] == ' ' || s[a] == '\t')) ++a;
    while (b > a && (s[b - 1] == ' ' || s[b - 1] == '\t')) --b;
    return std::string(s.substr(a, b - a));
}

struct Marker {
    std::string_view open, close;
    TextKind kind;
};
constexpr Marker kMarkers[] = {
    {"<x-html>", "</x-html>", TextKind::Html},
    {"<x-flowed>", "</x-flowed>", TextKind::Flowed},
    {"<x-rich>", "</x-rich>", TextKind::Enriched},
};

std::size_t SkipLineEnd(std::string_view text, std::size_t pos) {
    if (text.substr(pos, 2) == "\r\n") return pos + 2;
    if (text.substr(pos, 1) == "\n") return pos + 1;
    return pos;
}

struct RawSegment {
    TextKind kind;
    std::string_view text;
};

// The next opening marker at or after `from`, in one pass over the '<'s.
const Marker* NextMarker(std::string_view body, std::size_t from, std::size_t& at) {
    for (std::size_t i = from; i < body.size(); ++i) {
        const char* lt = static_cast<const char*>(std::memchr(body.data() + i, '<', body.size() - i));
        if (!lt) break;
        i = static_cast<std::size_t>(lt - body.data());
        if (!StartsWithNoCase(body.substr(i), "<x-")) continue;
        for (const Marker& m : kMarkers) {
            if (StartsWithNoCase(body.substr(i), m.open)) {
                at = i;
                return &m;
            }
        }
    }
    return nullptr;
}

std::vector<RawSegment> SplitAtMarkers(std::string_view body) {
    std::vector<RawSegment> out;
    std::size_t pos = 0;
    while (pos < body.size()) {
        std::size_t at = 0;
        const Marker* marker = NextMarker(body, pos, at);
        if (!marker) {
            out.push_back({TextKind::Plain, body.substr(pos)});
            break;
        }
        if (at > pos) out.push_back({TextKind::Plain, body.substr(pos, at - pos)});
        const std::size_t start = SkipLineEnd(body, at + marker->open.size());
        const std::size_t close = FindNoCase(body, marker->close, start);
        const std::size_t end = close == std::string_view::npos ? body.size() : close;
        out.push_back({marker->kind, body.substr(start, end - start)});
        pos = close == std::string_view::npos ? body.size() : SkipLineEnd(body, close + marker->close.size());
    }
    return out;
}

// An HTML line may close with a line break of its own markup.
std::string_view WithoutTrailingBreak(std::string_view rest) {
    for (;;) {
        while (!rest.empty() && (rest.back() == ' ' || rest.back() == '\t')) rest.remove_suffix(1);
        if (rest.size() >= 4 && StartsWithNoCase(rest.substr(rest.size() - 4), "<br>")) {
            rest.remove_suffix(4);
            continue;
        }
        if (rest.size() >= 5 && StartsWithNoCase(rest.substr(rest.size() - 5), "<br/>")) {
            rest.remove_suffix(5);
            continue;
        }
        return rest;
    }
}

// "chart.png: 00000001,277bfd3a,00000000,00000000" gives "chart.png".
std::string EmbeddedName(std::string_view rest) {
    const std::size_t cut = rest.rfind(": ");
    return TrimBlanks(cut == std::string_view::npos ? rest : rest.substr(0, cut));
}

int HexValue(char c) {
    if (c >= '0' && c <= '9') return c - '0';
    if (c >= 'a' && c <= 'f') return c - 'a' + 10;
    if (c >= 'A' && c <= 'F') return c - 'A' + 10;
    return -1;
}

std::string PercentDecoded(std::string_view s) {
    std::string out;
    for (std::size_t i = 0; i < s.size(); ++i) {
        if (s[i] == '%' && i + 2 < s.size()) {
            const int hi = HexValue(s[i + 1]), lo = HexValue(s[i + 2]);
            if (hi >= 0 && lo >= 0) {
                out.push_back(static_cast<char>(hi * 16 + lo));
                i += 2;
                continue;
            }
        }
        out.push_back(s[i]);
    }
    return out;
}

void CollectContentIds(std::string_view html, std::vector<std::string>& ids) {
    // Colons are rarer than c's: each one is checked for "cid" before it.
    for (std::size_t at = html.find(':', 3); at != std::string_view::npos; at = html.find(':', at + 1)) {
        if (!StartsWithNoCase(html.substr(at - 3), "cid")) continue;
        if (at > 3) {
            const auto before = static_cast<unsigned char>(html[at - 4]);
            if (std::isalnum(before)) continue;
        }
        std::size_t end = at + 1;
        while (end < html.size() && !std::strchr("\"'<> \t\r\n)", html[end])) ++end;
        std::string id = PercentDecoded(html.substr(at + 1, end - at - 1));
        // A Content-ID is printable ASCII; an image asked for by another id
        // stays an attachment.
        const bool printable = std::all_of(id.begin(), id.end(), [](char c) {
            const auto b = static_cast<unsigned char>(c);
            return b > 32 && b < 127 && !std::strchr("<>\"\\", c);
        });
        if (id.empty() || !printable) continue;
        bool seen = false;
        for (const std::string& known : ids) seen = seen || known == id;
        if (!seen) ids.push_back(std::move(id));
    }
}

// CR LF made LF, appended.
void AppendLfOnly(std::string& out, std::string_view text) {
    for (std::size_t pos = 0; pos < text.size();) {
        const char* cr = static_cast<const char*>(std::memchr(text.data() + pos, '\r', text.size() - pos));
        const std::size_t at = cr ? static_cast<std::size_t>(cr - text.data()) : text.size();
        out.append(text.substr(pos, at - pos));
        if (at == text.size()) break;
        if (at + 1 >= text.size() || text[at + 1] != '\n') out.push_back('\r');
        pos = at + 1;
    }
}

// The segment's text with LF line ends and without its reference lines,
// whose places are recorded.
TextSegment TakeReferences(const RawSegment& raw, std::size_t index, std::vector<FileReference>& files) {
    TextSegment seg;
    seg.kind = raw.kind;
    seg.text.reserve(raw.text.size());
    // Most texts name no file: copied in one go.
    if (raw.text.find(kAttachmentConverted) == std::string_view::npos && raw.text.find(kEmbeddedContent) == std::string_view::npos) {
        AppendLfOnly(seg.text, raw.text);
        return seg;
    }
    for (std::size_t pos = 0; pos < raw.text.size();) {
        const Line line = LineAt(raw.text, pos);
        pos = line.next;
        std::string_view rest;
        if (line.text.substr(0, kAttachmentConverted.size()) == kAttachmentConverted) {
            rest = line.text.substr(kAttachmentConverted.size());
            if (raw.kind == TextKind::Html) rest = WithoutTrailingBreak(rest);
            std::string path = ConvertedPath(TrimBlanks(rest));
            if (!path.empty()) {
                files.push_back({ReferenceKind::Converted, std::move(path), index, seg.text.size()});
                continue;
            }
        } else if (line.text.substr(0, kEmbeddedContent.size()) == kEmbeddedContent) {
            rest = line.text.substr(kEmbeddedContent.size());
            if (raw.kind == TextKind::Html) rest = WithoutTrailingBreak(rest);
            std::string name = EmbeddedName(rest);
            if (!name.empty()) {
                files.push_back({ReferenceKind::Embedded, std::move(name), index, seg.text.size()});
                continue;
            }
        }
        seg.text.append(line.text);
        if (line.ended) seg.text.push_back('\n');
    }
    return seg;
}

TextKind KindOfStoredType(const StoredMessage& m, std::string_view contentType) {
    if (m.storedType == "text/html") return TextKind::Html;
    if (m.storedType == "text/enriched" || m.storedType == "text/richtext") return TextKind::Enriched;
    if (m.storedType == "text/plain" && AsciiLowerText(ParameterOf(contentType, "format")) == "flowed") return TextKind::Flowed;
    return TextKind::Plain;
}

}  // namespace

std::string HeaderValueOf(const std::vector<HeaderField>& headers, std::string_view name) {
    for (const HeaderField& h : headers)
        if (h.name.size() == name.size() && StartsWithNoCase(h.name, name)) return h.value;
    return {};
}

std::string ParameterOf(std::string_view value, std::string_view parameter) {
    std::size_t pos = 0;
    bool quoted = false;
    std::size_t start = std::string_view::npos;  // start of the current parameter
    for (;; ++pos) {
        const bool end = pos >= value.size();
        if (!end && value[pos] == '\\' && quoted) {
            ++pos;
            continue;
        }
        if (!end && value[pos] == '"') quoted = !quoted;
        if (!end && (value[pos] != ';' || quoted)) continue;
        if (start != std::string_view::npos) {
            const std::string_view piece = value.substr(start, pos - start);
            const std::size_t eq = piece.find('=');
            if (eq != std::string_view::npos && AsciiLowerText(TrimSpaces(TrimBlanks(piece.substr(0, eq)))) == AsciiLowerText(parameter)) {
                std::string raw = TrimBlanks(piece.substr(eq + 1));
                for (char& c : raw)
                    if (c == '\n' || c == '\r') c = ' ';
                raw = TrimBlanks(raw);
                if (!raw.empty() && raw.front() == '"') {
                    std::string out;
                    for (std::size_t i = 1; i < raw.size() && raw[i] != '"'; ++i) {
                        if (raw[i] == '\\' && i + 1 < raw.size()) ++i;
                        out.push_back(raw[i]);
                    }
                    return out;
                }
                const std::size_t blank = raw.find_first_of(" \t");
                return blank == std::string::npos ? raw : raw.substr(0, blank);
            }
        }
        if (end) break;
        start = pos + 1;
    }
    return {};
}

std::string MetaCharset(std::string_view html) {
    for (std::size_t at = FindNoCase(html, "<meta", 0); at != std::string_view::npos; at = FindNoCase(html, "<meta", at + 5)) {
        const std::size_t close = html.find('>', at);
        const std::string_view tag = html.substr(at, close == std::string_view::npos ? std::string_view::npos : close - at);
        const std::size_t cs = FindNoCase(tag, "charset", 0);
        if (cs == std::string_view::npos) continue;
        std::size_t p = cs + 7;
        while (p < tag.size() && (tag[p] == ' ' || tag[p] == '\t' || tag[p] == '\r' || tag[p] == '\n')) ++p;
        if (p >= tag.size() || tag[p] != '=') continue;
        ++p;
        while (p < tag.size() && (tag[p] == ' ' || tag[p] == '\t' || tag[p] == '"' || tag[p] == '\'')) ++p;
        std::size_t e = p;
        while (e < tag.size() && (std::isalnum(static_cast<unsigned char>(tag[e])) || std::strchr("_.:-", tag[e]))) ++e;
        if (e > p) return std::string(tag.substr(p, e - p));
    }
    return {};
}

StoredMessage ReadStoredMessage(std::string_view message) {
    StoredMessage m;
    std::size_t pos = 0;
    if (message.substr(0, kDelimiterStart.size()) == kDelimiterStart) {
        const Line line = LineAt(message, 0);
        m.arrival = TrimBlanks(line.text.substr(kDelimiterStart.size()));
        pos = line.next;
    }
    // Header fields run to the empty line; a line that is neither a field nor
    // the continuation of one starts the body (a message without that line).
    while (pos < message.size()) {
        const Line line = LineAt(message, pos);
        if (line.text.empty()) {
            pos = line.next;
            break;
        }
        if ((line.text[0] == ' ' || line.text[0] == '\t') && !m.headers.empty()) {
            m.headers.back().value.push_back('\n');
            m.headers.back().value.append(line.text);
            pos = line.next;
            continue;
        }
        const std::size_t colon = line.text.find(':');
        if (colon == std::string_view::npos || !IsHeaderName(line.text.substr(0, colon))) break;
        std::string_view value = line.text.substr(colon + 1);
        while (!value.empty() && (value.front() == ' ' || value.front() == '\t')) value.remove_prefix(1);
        m.headers.push_back({std::string(line.text.substr(0, colon)), std::string(value)});
        pos = line.next;
    }

    const std::string contentType = HeaderValueOf(m.headers, "Content-Type");
    std::string type = contentType.substr(0, contentType.find(';'));
    for (char& c : type)
        if (c == '\n' || c == '\r' || c == '\t') c = ' ';
    m.storedType = AsciiLowerText(TrimBlanks(type));
    m.storedCharset = TrimBlanks(ParameterOf(contentType, "charset"));
    m.storedEncoding = AsciiLowerText(TrimBlanks(HeaderValueOf(m.headers, "Content-Transfer-Encoding")));

    for (const HeaderField& h : m.headers) {
        if (h.name != "X-Attachments") continue;
        std::string value = h.value;
        for (char& c : value)
            if (c == '\n' || c == '\r') c = ' ';
        for (std::string& piece : XAttachmentPieces(value)) m.files.push_back({ReferenceKind::XAttachments, std::move(piece), kNoSegment, 0});
    }

    std::vector<RawSegment> raw = SplitAtMarkers(message.substr(pos));
    // A body without markers is of the type its stored header gives it.
    if (raw.size() == 1 && raw[0].kind == TextKind::Plain && !m.StoredMultipart()) raw[0].kind = KindOfStoredType(m, contentType);
    for (const RawSegment& r : raw) {
        m.segments.push_back(TakeReferences(r, m.segments.size(), m.files));
        if (r.kind == TextKind::Html) CollectContentIds(m.segments.back().text, m.contentIds);
    }
    return m;
}

}  // namespace ledgerly
