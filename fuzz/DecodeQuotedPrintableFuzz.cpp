// Quoted-printable decoding and ROT13 of arbitrary body bytes: exactly what
// the references give; and so the decoding is never longer than its input,
// text without "=" comes back as it was, and every "=" of the result was
// written "=3D" in the input; ROT13 twice is the identity.
#include <algorithm>
#include <cstdint>
#include <cstdlib>
#include <string>

#include "body/BodyTransforms.h"
#include "tests/body/ReferenceTransforms.h"

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
    if (out != ledgerly::reference::DecodeQuotedPrintable(in)) std::abort();
    if (out.size() > in.size()) std::abort();
    if (in.find('=') == std::string::npos && out != in) std::abort();
    if (Count(out, "=") > Count(in, "=3D")) std::abort();
    const std::string rotated = ledgerly::Rot13(in);
    if (rotated != ledgerly::reference::Rot13(in) || ledgerly::Rot13(rotated) != in) std::abort();
    return 0;
}
