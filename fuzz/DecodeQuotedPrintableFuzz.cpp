// Quoted-printable decoding of arbitrary body bytes: never longer than its
// input, text without "=" comes back as it was, and every "=" of the result
// was written "=3D" in the input.
#include <algorithm>
#include <cstdint>
#include <cstdlib>
#include <string>

#include "body/BodyTransforms.h"

namespace {
std::size_t Count(const std::string& text, const std::string& what) {
    std::size_t n = 0;
    for (std::size_t at = text.find(what); at != std::string::npos; at = text.find(what, at + what.size())) ++n;
    return n;
}
}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    const std::string in(reinterpret_cast<const char*>(data), size);
    const std::string out = ledgerly::DecodeQuotedPrintable(in);
    if (out.size() > in.size()) std::abort();
    if (in.find('=') == std::string::npos && out != in) std::abort();
    if (Count(out, "=") > Count(in, "=3D")) std::abort();
    // ROT13 twice is the identity and keeps the length.
    if (ledgerly::Rot13(ledgerly::Rot13(in)) != in) std::abort();
    return 0;
}
