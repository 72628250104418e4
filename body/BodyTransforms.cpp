#include "body/BodyTransforms.h"

#include <cstring>

namespace ledgerly {
namespace {

int UpperHexDigit(char c) {
    if (c >= '0' && c <= '9') return c - '0';
    if (c >= 'A' && c <= 'F') return c - 'A' + 10;
    return -1;
}

// The byte an escape "=" c1 c2 stands for, or -1 when the "=" is only dropped.
int EscapedByte(char c1, char c2) {
    const int hi = UpperHexDigit(c1), lo = UpperHexDigit(c2);
    if (hi < 0 || lo < 0) return -1;
    const int v = hi * 16 + lo;
    if (v >= 127) return v;                   // 8-bit characters
    if (v == 0x3D) return '=';                // the escaped "=" itself
    if (v >= 10 && v <= 32) return v;         // line ends, tab, space, other controls
    if (c1 == '0' && c2 <= '9') return v;     // "=00" to "=09"
    return -1;                                // printable ASCII stays escaped-less
}

}  // namespace

// One pass over the text. Escapes never overlap (the two characters after an
// "=" are hex digits, never "="), and a decoded byte is never an "=" or a hex
// digit that could join its neighbours into a new escape, except the "=" of
// "=3D", which is final: so each "=" is decided by the two characters that
// follow it in the input, and no decoded byte is looked at again. The text
// between two "=" is copied as it is.
std::string DecodeQuotedPrintable(std::string_view text) {
    std::string out(text.size(), '\0');
    const char* in = text.data();
    const char* const end = in + text.size();
    char* w = out.data();
    while (in != end) {
        const char* eq = static_cast<const char*>(std::memchr(in, '=', static_cast<std::size_t>(end - in)));
        const char* stop = eq ? eq : end;
        std::memcpy(w, in, static_cast<std::size_t>(stop - in));
        w += stop - in;
        if (!eq) break;
        in = eq + 1;
        if (end - eq > 2) {
            const int v = EscapedByte(eq[1], eq[2]);
            if (v >= 0) {
                *w++ = static_cast<char>(v);
                in = eq + 3;
            }
        }
        // Otherwise the "=" is dropped and what follows it is read as text.
    }
    out.resize(static_cast<std::size_t>(w - out.data()));
    return out;
}

// Branch-free, so that the compiler turns it into vector code.
std::string Rot13(std::string_view text) {
    std::string out(text.size(), '\0');
    const auto* in = reinterpret_cast<const unsigned char*>(text.data());
    auto* o = reinterpret_cast<unsigned char*>(out.data());
    for (std::size_t i = 0; i < text.size(); ++i) {
        const unsigned char c = in[i];
        const auto letter = static_cast<unsigned char>((c | 0x20) - 'a');  // 0..25 for A-Z and a-z
        const unsigned char shift = letter < 13 ? 13 : letter < 26 ? static_cast<unsigned char>(256 - 13) : 0;
        o[i] = static_cast<unsigned char>(c + shift);
    }
    return out;
}

}  // namespace ledgerly
