// The header split on arbitrary message bytes: header part and body put back
// together give the normalised message; the body starts with the blank line;
// the header lines joined with CR LF give the header part back.
#include <algorithm>
#include <cstdint>
#include <cstdlib>
#include <string>

#include "store/Mailbox.h"

using namespace ledgerly;

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    const std::string message(reinterpret_cast<const char*>(data), size);
    const SplitMessage split = NormaliseAndSplit(message);
    const std::string joined = split.header + split.body;
    if (joined.size() < message.size() || joined.size() > message.size() + 3) std::abort();
    if (joined.find(kBlankLine) != std::string::npos) {
        if (split.body.rfind(kBlankLine, 0) != 0) std::abort();
    } else if (split.header.size() != std::min<std::size_t>(1, joined.size())) {
        std::abort();
    }
    const std::string_view header = HeaderPart(message);
    std::string back;
    for (std::string_view line : SplitLines(header)) {
        if (!back.empty() || line.data() != header.data()) back += "\r\n";
        back += line;
    }
    if (back != header) std::abort();
    return 0;
}
