#include "migrate/MimeBuilder.h"

#include <algorithm>
#include <cctype>
#include <cstdint>
#include <cstring>
#include <set>

#include "app/Encoding.h"
#include "app/WindowsPaths.h"
#include "migrate/GMimeSupport.h"

namespace ledgerly {
namespace {

using gmime::Ptr;

std::string Lower(std::string_view s) {
    std::string out(s);
    for (char& c : out)
        if (c >= 'A' && c <= 'Z') c = static_cast<char>(c + 32);
    return out;
}

bool Has8Bit(std::string_view s) {
    for (char c : s)
        if (static_cast<unsigned char>(c) >= 0x80) return true;
    return false;
}

bool HasVisibleText(std::string_view s) {
    for (char c : s)
        if (c != ' ' && c != '\t' && c != '\n' && c != '\r') return true;
    return false;
}

std::string ToUtf8(std::string_view bytes) { return gmime::IsUtf8(bytes) ? std::string(bytes) : Cp1252ToUtf8(bytes); }

std::string LfOnly(std::string_view text) {
    std::string out;
    out.reserve(text.size());
    for (std::size_t i = 0; i < text.size(); ++i) {
        if (text[i] == '\r' && i + 1 < text.size() && text[i + 1] == '\n') continue;
        out.push_back(text[i]);
    }
    return out;
}

// The received header fields that described the body as it was before
// Eudora took it apart, and the state fields the export writes itself.
bool IsReplacedHeader(const std::string& name) {
    const std::string n = Lower(name);
    return n.rfind("content-", 0) == 0 || n == "mime-version" || n == "lines" || n == "status" || n == "x-status" ||
           n == "x-mozilla-status" || n == "x-mozilla-status2" || n == "x-priority";
}

bool IsAddressHeader(const std::string& name) {
    static const std::set<std::string> kNames = {"from", "to", "cc", "bcc", "reply-to", "sender", "resent-from", "resent-to",
                                                 "resent-cc", "resent-bcc", "resent-sender", "mail-followup-to",
                                                 "disposition-notification-to", "return-receipt-to"};
    return kNames.count(Lower(name)) > 0;
}

// "Name: value" folded at blanks so that lines keep within 78 characters
// where the words allow.
std::string FoldAtBlanks(std::string_view line) {
    std::string out;
    std::size_t length = 0;
    bool first = true;
    for (std::size_t pos = 0; pos <= line.size();) {
        std::size_t blank = line.find(' ', pos);
        if (blank == std::string_view::npos) blank = line.size();
        const std::string_view word = line.substr(pos, blank - pos);
        if (first) {
            out.append(word);
            length = word.size();
            first = false;
        } else if (length + 1 + word.size() > 78 && !word.empty()) {
            out.append("\n ").append(word);
            length = 1 + word.size();
        } else {
            out.append(" ").append(word);
            length += 1 + word.size();
        }
        pos = blank + 1;
    }
    return out;
}

// The name a file part carries: the path's last component in UTF-8,
// without control characters; "attachment" when nothing is left.
std::string PartFileName(std::string_view written) {
    std::string name = ToUtf8(FileNameOfAnyPath(written));
    for (char& c : name)
        if (static_cast<unsigned char>(c) < 0x20 || c == 0x7F) c = '_';
    const std::size_t first = name.find_first_not_of(' '), last = name.find_last_not_of(' ');
    return first == std::string::npos ? std::string("attachment") : name.substr(first, last - first + 1);
}

// One received field as it is written out: unchanged when it is 7-bit,
// else its value decoded (UTF-8, else Windows-1252) and encoded as RFC 2047
// words. Folded lines are kept with LF.
std::string HeaderLine(const HeaderField& h, GMimeFormatOptions* format) {
    std::string value = h.value;
    for (char& c : value)
        if (c == '\0' || c == '\r') c = ' ';
    if (!Has8Bit(value)) return h.name + ": " + value;
    std::string unfolded;
    for (char c : value)
        if (c != '\n') unfolded.push_back(c);
    const std::string utf8 = ToUtf8(unfolded);
    gmime::String encoded;
    if (IsAddressHeader(h.name)) {
        Ptr<InternetAddressList> list(internet_address_list_parse(nullptr, utf8.c_str()));
        if (list && internet_address_list_length(list.get()) > 0) encoded.reset(internet_address_list_to_string(list.get(), format, TRUE));
        // Only names are encoded: 8-bit bytes inside an address make it text.
        if (encoded && Has8Bit(encoded.get())) encoded.reset();
    }
    if (!encoded) encoded.reset(g_mime_utils_header_encode_text(format, utf8.c_str(), nullptr));
    return FoldAtBlanks(h.name + ": " + (encoded ? encoded.get() : ""));
}

std::string DecodeTransfer(std::string_view text, const std::string& encoding) {
    GMimeContentEncoding kind = GMIME_CONTENT_ENCODING_DEFAULT;
    if (encoding == "quoted-printable") kind = GMIME_CONTENT_ENCODING_QUOTEDPRINTABLE;
    if (encoding == "base64") {
        // Eudora decodes most bodies on arrival: only text that still is base64 is decoded.
        for (char c : text)
            if (!std::isalnum(static_cast<unsigned char>(c)) && !std::strchr("+/= \t\r\n", c)) return std::string(text);
        kind = GMIME_CONTENT_ENCODING_BASE64;
    }
    if (kind == GMIME_CONTENT_ENCODING_DEFAULT || text.empty()) return std::string(text);
    GMimeEncoding state;
    g_mime_encoding_init_decode(&state, kind);
    std::string out(g_mime_encoding_outlen(&state, text.size()), '\0');
    out.resize(g_mime_encoding_flush(&state, text.data(), text.size(), out.data()));
    return LfOnly(out);
}

// A charset name as MIME allows it in a parameter: printable ASCII, no blank, no special.
bool IsCharsetToken(std::string_view name) {
    if (name.empty() || name.size() > 64) return false;
    for (char c : name)
        if (c <= ' ' || c >= 127 || std::strchr("()<>@,;:\\\"/[]?=", c)) return false;
    return true;
}

std::string CharsetFor(const StoredMessage& m, TextKind kind, std::string_view text) {
    std::string charset = m.StoredMultipart() ? std::string() : m.storedCharset;
    if (charset.empty() && kind == TextKind::Html) charset = MetaCharset(text);
    const std::string lower = Lower(charset);
    if (!IsCharsetToken(charset)) return "windows-1252";
    // A declaration the bytes cannot be in.
    if ((lower == "us-ascii" || lower == "ascii") && Has8Bit(text)) return "windows-1252";
    if ((lower == "utf-8" || lower == "utf8") && !gmime::IsUtf8(text)) return "windows-1252";
    return charset;
}

std::string Escaped(std::string_view text, TextKind kind) {
    std::string out;
    for (char c : text) {
        if (kind == TextKind::Html && c == '&') out += "&amp;";
        else if (kind == TextKind::Html && c == '<') out += "&lt;";
        else if (kind == TextKind::Html && c == '>') out += "&gt;";
        else if (kind == TextKind::Html && c == '"') out += "&quot;";
        else if (kind == TextKind::Enriched && c == '<') out += "<<";
        else out.push_back(c);
    }
    return out;
}

std::string NoteIn(const FileReference& ref, TextKind kind, const std::string& charset) {
    std::string note = MissingFileNote(ref);
    if (Lower(charset) == "utf-8" || Lower(charset) == "utf8") note = Cp1252ToUtf8(note);
    note = Escaped(note, kind);
    return kind == TextKind::Html ? "<p>" + note + "</p>\n" : note + "\n";
}

Ptr<GMimeDataWrapper> Content(std::string_view bytes) {
    Ptr<GMimeStream> stream = gmime::MemoryStream(bytes);
    return Ptr<GMimeDataWrapper>(g_mime_data_wrapper_new_with_stream(stream.get(), GMIME_CONTENT_ENCODING_DEFAULT));
}

// 7bit when every line is short ASCII text; else quoted-printable, which
// also carries a lone CR or a NUL.
GMimeContentEncoding TextEncoding(std::string_view text) {
    // Eight bytes at a time: any byte with its high bit set, or a CR or a NUL.
    constexpr std::uint64_t kOnes = 0x0101010101010101ull, kHigh = 0x8080808080808080ull;
    auto hasByte = [](std::uint64_t w, unsigned char b) { const std::uint64_t x = w ^ (kOnes * b); return ((x - kOnes) & ~x & kHigh) != 0; };
    std::size_t i = 0;
    for (; i + 8 <= text.size(); i += 8) {
        std::uint64_t w;
        std::memcpy(&w, text.data() + i, 8);
        if ((w & kHigh) || hasByte(w, '\r') || hasByte(w, 0)) return GMIME_CONTENT_ENCODING_QUOTEDPRINTABLE;
    }
    for (; i < text.size(); ++i) {
        const auto b = static_cast<unsigned char>(text[i]);
        if (b >= 0x80 || b == '\r' || b == 0) return GMIME_CONTENT_ENCODING_QUOTEDPRINTABLE;
    }
    for (std::size_t start = 0; start < text.size();) {
        const void* nl = std::memchr(text.data() + start, '\n', text.size() - start);
        const std::size_t end = nl ? static_cast<std::size_t>(static_cast<const char*>(nl) - text.data()) : text.size();
        if (end - start > 998) return GMIME_CONTENT_ENCODING_QUOTEDPRINTABLE;
        start = end + 1;
    }
    return GMIME_CONTENT_ENCODING_7BIT;
}

Ptr<GMimeObject> TextPart(TextKind kind, std::string_view text, const std::string& charset) {
    const char* subtype = kind == TextKind::Html ? "html" : kind == TextKind::Enriched ? "enriched" : "plain";
    Ptr<GMimeObject> part(GMIME_OBJECT(g_mime_text_part_new_with_subtype(subtype)));
    g_mime_part_set_content(GMIME_PART(part.get()), Content(text).get());
    g_mime_object_set_content_type_parameter(part.get(), "charset", charset.c_str());
    if (kind == TextKind::Flowed) g_mime_object_set_content_type_parameter(part.get(), "format", "flowed");
    g_mime_part_set_content_encoding(GMIME_PART(part.get()), TextEncoding(text));
    return part;
}

Ptr<GMimeObject> FilePart(const std::string& nameUtf8, std::string_view bytes, const char* disposition, const std::string& contentId) {
    const std::string type = ContentTypeOfFile(nameUtf8, bytes);
    const std::size_t slash = type.find('/');
    Ptr<GMimeObject> part(GMIME_OBJECT(g_mime_part_new_with_type(type.substr(0, slash).c_str(), type.substr(slash + 1).c_str())));
    g_mime_part_set_content(GMIME_PART(part.get()), Content(bytes).get());
    g_mime_object_set_disposition(part.get(), disposition);
    if (!nameUtf8.empty()) g_mime_part_set_filename(GMIME_PART(part.get()), nameUtf8.c_str());
    g_mime_part_set_content_encoding(GMIME_PART(part.get()), GMIME_CONTENT_ENCODING_BASE64);
    if (!contentId.empty()) g_mime_part_set_content_id(GMIME_PART(part.get()), contentId.c_str());
    return part;
}

struct FormatOptionsFree {
    void operator()(GMimeFormatOptions* o) const { g_mime_format_options_free(o); }
};

bool ContainsNoCase(std::string_view text, std::string_view needle) {
    if (needle.empty()) return false;
    const std::string t = Lower(text), n = Lower(needle);
    return t.find(n) != std::string::npos;
}

}  // namespace

std::string MissingFileNote(const FileReference& reference) {
    if (reference.kind == ReferenceKind::Embedded) return "[Embedded file not found when exported: " + reference.written + "]";
    return "[Attachment not found when exported: \"" + reference.written + "\"]";
}

std::string ContentTypeOfFile(std::string_view fileName, std::string_view bytes) {
    const std::string name = Lower(fileName);
    const std::size_t dot = name.rfind('.');
    const std::string ext = dot == std::string::npos ? std::string() : name.substr(dot + 1);
    auto starts = [&bytes](std::string_view magic) { return bytes.substr(0, magic.size()) == magic; };
    if (starts("%PDF-")) return "application/pdf";
    if (starts("\xFF\xD8\xFF")) return "image/jpeg";
    if (starts("\x89PNG\r\n\x1A\n")) return "image/png";
    if (starts("GIF87a") || starts("GIF89a")) return "image/gif";
    if (starts("{\\rtf")) return "application/rtf";
    static const std::pair<const char*, const char*> kByExtension[] = {
        {"pdf", "application/pdf"}, {"jpg", "image/jpeg"}, {"jpeg", "image/jpeg"}, {"png", "image/png"}, {"gif", "image/gif"},
        {"bmp", "image/bmp"}, {"tif", "image/tiff"}, {"tiff", "image/tiff"}, {"txt", "text/plain"}, {"csv", "text/csv"},
        {"htm", "text/html"}, {"html", "text/html"}, {"rtf", "application/rtf"}, {"zip", "application/zip"},
        {"gz", "application/gzip"}, {"doc", "application/msword"}, {"xls", "application/vnd.ms-excel"},
        {"ppt", "application/vnd.ms-powerpoint"},
        {"docx", "application/vnd.openxmlformats-officedocument.wordprocessingml.document"},
        {"xlsx", "application/vnd.openxmlformats-officedocument.spreadsheetml.sheet"},
        {"pptx", "application/vnd.openxmlformats-officedocument.presentationml.presentation"},
        {"mp3", "audio/mpeg"}, {"wav", "audio/wav"}, {"mov", "video/quicktime"}, {"mp4", "video/mp4"}, {"avi", "video/x-msvideo"},
        {"mpg", "video/mpeg"}, {"mpeg", "video/mpeg"}, {"vcf", "text/vcard"}, {"ics", "text/calendar"},
    };
    for (const auto& [e, type] : kByExtension)
        if (ext == e) return type;
    return "application/octet-stream";
}

BuiltMessage BuildMessage(StoredMessage m, const std::vector<std::string>& extraHeaders, const FileLookup& lookup, LineEnds ends) {
    gmime::Start();
    BuiltMessage out;

    // The files, each path read once.
    struct Loaded {
        const FileReference* ref;
        std::optional<std::string> bytes;
        std::string name;       // UTF-8
        std::string contentId;  // embedded files that the HTML refers to
    };
    std::vector<Loaded> loaded;
    std::set<std::string> seen;
    std::size_t embeddedIndex = 0;
    for (const FileReference& ref : m.files) {
        Loaded l{&ref, std::nullopt, PartFileName(ref.written), {}};
        if (ref.kind == ReferenceKind::Embedded) {
            // The k-th embedded file belongs to the k-th cid: of the HTML.
            if (embeddedIndex < m.contentIds.size()) l.contentId = m.contentIds[embeddedIndex];
            ++embeddedIndex;
        } else if (!seen.insert(ref.written).second) {
            continue;
        }
        l.bytes = lookup(ref);
        if (!l.bytes) out.missing.push_back(ref);
        loaded.push_back(std::move(l));
    }

    // The texts, decoded, with a note where a missing file stood.
    struct Text {
        TextKind kind;
        std::string text, charset;
        std::vector<const Loaded*> images;
    };
    std::vector<Text> texts;
    const std::string encoding = m.StoredMultipart() ? std::string() : m.storedEncoding;
    for (std::size_t s = 0; s < m.segments.size(); ++s) {
        TextSegment& seg = m.segments[s];
        const bool noted = std::any_of(out.missing.begin(), out.missing.end(), [s](const FileReference& r) { return r.segment == s; });
        if (!noted && encoding.empty()) {
            // The common case: the text as it stands.
            std::string charset = CharsetFor(m, seg.kind, seg.text);
            texts.push_back({seg.kind, std::move(seg.text), std::move(charset), {}});
            continue;
        }
        std::vector<std::string> pieces;
        std::vector<const FileReference*> notes;
        std::size_t from = 0;
        for (const FileReference& ref : out.missing) {
            if (ref.segment != s) continue;
            pieces.push_back(DecodeTransfer(std::string_view(seg.text).substr(from, ref.offset - from), encoding));
            notes.push_back(&ref);
            from = ref.offset;
        }
        pieces.push_back(DecodeTransfer(std::string_view(seg.text).substr(from), encoding));
        std::string joined;
        for (const std::string& p : pieces) joined += p;
        Text t{seg.kind, {}, CharsetFor(m, seg.kind, joined), {}};
        for (std::size_t i = 0; i < pieces.size(); ++i) {
            t.text += pieces[i];
            if (i < notes.size()) t.text += NoteIn(*notes[i], seg.kind, t.charset);
        }
        texts.push_back(std::move(t));
    }
    // Header-named files that are missing get their notes after the text.
    std::string trailer;
    for (const FileReference& ref : out.missing)
        if (ref.segment == kNoSegment) trailer += NoteIn(ref, TextKind::Plain, "windows-1252");

    // Images go with the HTML that shows them; the rest are attachments.
    std::vector<const Loaded*> attachments;
    for (const Loaded& l : loaded) {
        if (!l.bytes) continue;
        Text* home = nullptr;
        if (!l.contentId.empty()) {
            for (Text& t : texts)
                if (!home && t.kind == TextKind::Html && ContainsNoCase(t.text, "cid:" + l.contentId)) home = &t;
        }
        if (home) home->images.push_back(&l);
        else attachments.push_back(&l);
    }

    // The MIME tree, built in the order a depth-first walk meets its parts.
    std::vector<Ptr<GMimeObject>> top;
    auto record = [&out](const Loaded& l) { out.files.push_back({l.name, gmime::Sha256(*l.bytes), static_cast<std::int64_t>(l.bytes->size())}); };
    for (const Text& t : texts) {
        if (!HasVisibleText(t.text) && t.images.empty()) continue;
        Ptr<GMimeObject> part = TextPart(t.kind, t.text, t.charset);
        if (t.images.empty()) {
            top.push_back(std::move(part));
            continue;
        }
        Ptr<GMimeObject> related(GMIME_OBJECT(g_mime_multipart_new_with_subtype("related")));
        g_mime_object_set_content_type_parameter(related.get(), "type", "text/html");
        g_mime_multipart_add(GMIME_MULTIPART(related.get()), part.get());
        for (const Loaded* image : t.images) {
            Ptr<GMimeObject> file = FilePart(image->name, *image->bytes, "inline", image->contentId);
            g_mime_multipart_add(GMIME_MULTIPART(related.get()), file.get());
            record(*image);
        }
        top.push_back(std::move(related));
    }
    if (!trailer.empty()) top.push_back(TextPart(TextKind::Plain, trailer, "windows-1252"));
    for (const Loaded* a : attachments) {
        top.push_back(FilePart(a->name, *a->bytes, "attachment", {}));
        record(*a);
    }
    if (top.empty()) top.push_back(TextPart(TextKind::Plain, "", "us-ascii"));
    Ptr<GMimeObject> body;
    if (top.size() == 1) {
        body = std::move(top.front());
    } else {
        body.reset(GMIME_OBJECT(g_mime_multipart_new_with_subtype("mixed")));
        for (const auto& part : top) g_mime_multipart_add(GMIME_MULTIPART(body.get()), part.get());
    }

    std::unique_ptr<GMimeFormatOptions, FormatOptionsFree> format(g_mime_format_options_new());
    g_mime_format_options_set_newline_format(format.get(), ends == LineEnds::CrLf ? GMIME_NEWLINE_FORMAT_DOS : GMIME_NEWLINE_FORMAT_UNIX);
    const std::string_view newline = ends == LineEnds::CrLf ? "\r\n" : "\n";
    auto appendLine = [&out, newline](std::string_view line) {
        for (char c : line) {
            if (c == '\n') out.bytes.append(newline);
            else out.bytes.push_back(c);
        }
        out.bytes.append(newline);
    };
    for (const HeaderField& h : m.headers)
        if (!IsReplacedHeader(h.name)) appendLine(HeaderLine(h, format.get()));
    appendLine("MIME-Version: 1.0");
    for (const std::string& line : extraHeaders) appendLine(line);

    Ptr<GMimeStream> stream(g_mime_stream_mem_new());
    g_mime_object_write_to_stream(body.get(), format.get(), stream.get());
    out.bytes.append(gmime::Bytes(stream.get()));
    if (out.bytes.size() < newline.size() || out.bytes.compare(out.bytes.size() - newline.size(), newline.size(), newline) != 0)
        out.bytes.append(newline);
    return out;
}

}  // namespace ledgerly
