#pragma once
// A stored Eudora message rebuilt as valid MIME: the header fields as
// received less the stale body description (Content-*, Lines) and with
// unencoded 8-bit values encoded; the texts as text/plain (flowed where
// marked), text/html or text/enriched with their charset; the files the
// message names read and embedded (base64, RFC 2231 names); images of the
// HTML in multipart/related under the Content-ID the HTML refers to.
// A file that cannot be found leaves a note in the text instead.
#include <cstdint>
#include <functional>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "migrate/EudoraMessage.h"

namespace ledgerly {

enum class LineEnds { Lf, CrLf };

// The bytes of the file a reference names; nullopt when it is not there or
// cannot be read.
using FileLookup = std::function<std::optional<std::string>(const FileReference&)>;

struct EmbeddedFile {
    std::string name;    // the file name the part carries (UTF-8)
    std::string sha256;  // of the file's bytes, lower-case hex
    std::int64_t size = 0;
};

struct BuiltMessage {
    std::string bytes;                   // the whole message, in the line ends asked for
    std::vector<EmbeddedFile> files;     // in the order a depth-first walk of the MIME tree meets them
    std::vector<FileReference> missing;  // references whose file could not be read
};

// `extraHeaders` are whole lines (no line ends) added after the received ones.
// The message is taken by value: its texts move into the result.
BuiltMessage BuildMessage(StoredMessage message, const std::vector<std::string>& extraHeaders, const FileLookup& files,
                          LineEnds ends);

// The media type of a file, from its first bytes and else its name's extension.
std::string ContentTypeOfFile(std::string_view fileName, std::string_view bytes);
// The note a missing file leaves in the text (Windows-1252 path in, as written in mail).
std::string MissingFileNote(const FileReference& reference);

}  // namespace ledgerly
