// The mail export's rebuild on arbitrary message bytes: every reference the
// reader records points into its text; the rebuilt message has no unencoded
// 8-bit byte in its header, reads back with GMime without a structural
// problem, and its files decode to the bytes they were made from.
#include <cstdint>
#include <cstdlib>
#include <string>

#include "migrate/MimeBuilder.h"
#include "migrate/ReadBack.h"

using namespace ledgerly;

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    const std::string text(reinterpret_cast<const char*>(data), size);
    StoredMessage stored = ReadStoredMessage(text);
    for (const FileReference& ref : stored.files) {
        if (ref.segment == kNoSegment) continue;
        if (ref.segment >= stored.segments.size() || ref.offset > stored.segments[ref.segment].text.size()) std::abort();
    }
    // Files of every other reference are found: their bytes are the path's own.
    const FileLookup lookup = [](const FileReference& ref) -> std::optional<std::string> {
        if (ref.written.size() % 2) return std::nullopt;
        return ref.written + std::string(1, '\0') + ref.written;
    };
    const bool crlf = size % 2;
    const BuiltMessage built = BuildMessage(std::move(stored), {"X-Priority: 3 (Normal)"}, lookup, crlf ? LineEnds::CrLf : LineEnds::Lf);
    const std::size_t end = built.bytes.find(crlf ? "\r\n\r\n" : "\n\n");
    if (end == std::string::npos) std::abort();
    for (std::size_t i = 0; i < end; ++i)
        if (static_cast<unsigned char>(built.bytes[i]) >= 0x80) std::abort();
    auto back = ReadBackMessageBytes(built.bytes);
    if (!back || !back->problems.empty()) std::abort();
    if (back->fileDigests.size() != built.files.size()) std::abort();
    for (std::size_t i = 0; i < built.files.size(); ++i)
        if (back->fileDigests[i] != built.files[i].sha256) std::abort();
    return 0;
}
