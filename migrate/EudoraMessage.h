#pragma once
// A message as Eudora stores it, taken apart for rebuilding as MIME: the
// arrival time of its delimiter line, its header fields as received, the
// texts of its body (plain, or wrapped in <x-html>, <x-flowed>, <x-rich>),
// and the files it names ("Attachment Converted: " and "Embedded Content: "
// lines, "X-Attachments: " headers). Bytes stay Windows-1252 (or whatever
// the sender used); any input gives a result.
#include <cstddef>
#include <string>
#include <string_view>
#include <vector>

namespace ledgerly {

enum class TextKind { Plain, Html, Flowed, Enriched };

struct HeaderField {
    std::string name;   // as written, without the colon
    std::string value;  // after the colon; folded lines keep their LF and leading blanks
};

struct TextSegment {
    TextKind kind = TextKind::Plain;
    std::string text;  // LF line ends; marker and reference lines taken out
};

enum class ReferenceKind { Converted, XAttachments, Embedded };

struct FileReference {
    ReferenceKind kind = ReferenceKind::Converted;
    std::string written;  // the path (or, embedded, the file name) as the mail gives it
    // Where the reference stood, for the note that replaces a missing file:
    // a segment and a byte offset in its text; kNoSegment for a header.
    std::size_t segment = 0;
    std::size_t offset = 0;
};
inline constexpr std::size_t kNoSegment = static_cast<std::size_t>(-1);

struct StoredMessage {
    std::string arrival;  // the delimiter line after "From ???@??? " ("Mon Dec 13 18:45:29 2010")
    std::vector<HeaderField> headers;
    std::vector<TextSegment> segments;
    std::vector<FileReference> files;     // in the order the message names them
    std::vector<std::string> contentIds;  // distinct cid: references of the HTML, in order of appearance
    // What the stored header said about the original body.
    std::string storedType;      // "text/plain", "multipart/mixed", ... (lower case); empty when none
    std::string storedCharset;   // its charset parameter
    std::string storedEncoding;  // Content-Transfer-Encoding (lower case)
    bool StoredMultipart() const { return storedType.rfind("multipart/", 0) == 0; }
};

StoredMessage ReadStoredMessage(std::string_view message);

// The value of header `name` (any case) of the first field that has it; empty when none.
std::string HeaderValueOf(const std::vector<HeaderField>& headers, std::string_view name);
// A parameter of a Content-Type-like value ("text/html; charset=\"utf-8\""), unquoted; empty when absent.
std::string ParameterOf(std::string_view value, std::string_view parameter);
// The charset an HTML text declares in a <meta> tag; empty when none.
std::string MetaCharset(std::string_view html);

}  // namespace ledgerly
