#include "tests/body/ReferenceTransforms.h"

#include "app/TextHelpers.h"

namespace ledgerly::reference {
namespace {

// First occurrence of `needle` at or after `from`, without regard to case.
std::size_t FindNoCase(std::string_view text, std::string_view needle, std::size_t from) {
    if (needle.empty() || text.size() < needle.size()) return std::string_view::npos;
    const char first = FoldCase(needle[0]);
    for (std::size_t i = from; i + needle.size() <= text.size(); ++i)
        if (FoldCase(text[i]) == first && EqualsNoCase(text.substr(i, needle.size()), needle)) return i;
    return std::string_view::npos;
}

}  // namespace

std::string CollapseRuns(std::string_view text, char c) {
    std::string out;
    out.reserve(text.size());
    for (char ch : text)
        if (!(ch == c && !out.empty() && out.back() == c)) out.push_back(ch);
    return out;
}

std::string NormalizeTagText(std::string_view text) {
    std::string out = CollapseRuns(text, ' ');
    while (out.find("< ") != std::string::npos) out = ReplaceAll(out, "< ", "<");
    return out;
}

std::string RemoveTags(std::string_view input) {
    const std::string text = NormalizeTagText(input);
    if (text.size() < 3) return text;
    // Removing the first "<...>" and searching again from the start of the text
    // finds the next tag at or after the removal point: one forward pass does it.
    std::string out;
    out.reserve(text.size());
    std::size_t i = 0;
    for (;;) {
        const std::size_t lt = text.find('<', i);
        const std::size_t gt = lt == std::string::npos ? std::string::npos : text.find('>', lt);
        if (gt == std::string::npos) {
            out.append(text, i, std::string::npos);
            break;
        }
        out.append(text, i, lt - i);
        i = gt + 1;
    }
    return CollapseRuns(out, ' ');
}

std::string RemoveElement(std::string_view input, std::string_view name) {
    std::string text = NormalizeTagText(input);
    if (text.size() < 3) return text;
    const std::string open = "<" + std::string(name), close = "</" + std::string(name);
    // Each removal restarts the search a little before the removal point: the
    // text before a match holds no earlier match, but its tail may join what
    // follows the removed element into a new one.
    std::size_t from = 0;
    for (;;) {
        const std::size_t start = FindNoCase(text, open, from);
        if (start == std::string::npos) break;
        const std::size_t end = FindNoCase(text, close, start + 1);
        if (end == std::string::npos) break;
        const std::size_t gt = text.find('>', end);
        if (gt == std::string::npos) break;
        text.erase(start, gt - start + 1);
        from = start >= open.size() ? start - open.size() + 1 : 0;
    }
    return CollapseRuns(text, ' ');
}

std::string StripHtml(std::string_view text) {
    std::string out = NormalizeTagText(text);
    out = RemoveElement(out, "head");
    out = RemoveElement(out, "script");
    out = RemoveTags(out);
    for (char c : {'\r', '\n', '\t', ' '}) out = CollapseRuns(out, c);
    return out;
}

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

}  // namespace ledgerly::reference
