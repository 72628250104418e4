#include "body/BodyTransforms.h"

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
// follow it in the input, and no decoded byte is looked at again.
std::string DecodeQuotedPrintable(std::string_view text) {
    std::string out;
    out.reserve(text.size());
    for (std::size_t i = 0; i < text.size(); ++i) {
        const char c = text[i];
        if (c != '=') {
            out.push_back(c);
            continue;
        }
        if (i + 2 < text.size()) {
            const int v = EscapedByte(text[i + 1], text[i + 2]);
            if (v >= 0) {
                out.push_back(static_cast<char>(v));
                i += 2;
            }
        }
        // Otherwise the "=" is dropped and what follows it is read as text.
    }
    return out;
}

std::string Rot13(std::string_view text) {
    std::string out(text);
    for (char& c : out) {
        if ((c >= 'A' && c <= 'M') || (c >= 'a' && c <= 'm')) c = static_cast<char>(c + 13);
        else if ((c >= 'N' && c <= 'Z') || (c >= 'n' && c <= 'z')) c = static_cast<char>(c - 13);
    }
    return out;
}

}  // namespace ledgerly
