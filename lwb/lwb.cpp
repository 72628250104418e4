// DecodeField: replaces the first RFC 2047 encoded word of a header value by
// the bytes it stands for, in place.
//
// Deliberate departures from RFC 2047, relied upon by the summary refresh:
// only the first encoded word is decoded; the charset is ignored (the bytes
// come back as they are); in Q text "_" stays "_", only upper-case hex digits
// form an escape and "=" CR LF is a soft line break; text before the word
// (less leading spaces) and after it is kept; a value whose next-to-last byte
// is CR is cut there; a word without its closing "?=" runs to the end of the
// value.
//
// Every buffer here is a fixed array of kWorkSize bytes on the stack: a value
// is shorter than kWorkSize, and no step makes text longer than its input, so
// nothing is allocated, nothing can fail and no state survives a call.
#include "lwb/lwb.h"

#include <cstddef>
#include <cstdint>
#include <cstring>
#include <string_view>

namespace {

constexpr std::size_t kWorkSize = 100;  // the working copy: 99 bytes and a NUL
constexpr std::size_t kNone = std::string_view::npos;

// A NUL-terminated byte string of at most kWorkSize - 1 bytes. Appending past
// the end is dropped, never written (it cannot happen for the rules below,
// which never lengthen their input; the check keeps it so).
class WorkBuffer {
public:
    void Append(std::string_view bytes) {
        for (char c : bytes) Push(c);
    }
    void Push(char c) {
        if (size_ < kWorkSize - 1) data_[size_++] = c;
    }
    // The bytes up to the first zero byte, as C string rules read them.
    std::string_view AsCString() const { return {data_, std::strlen(data_)}; }

private:
    char data_[kWorkSize] = {};
    std::size_t size_ = 0;
};

char UpperAscii(char c) { return (c >= 'a' && c <= 'z') ? static_cast<char>(c - 'a' + 'A') : c; }

// The position of the first match of `pattern` in `text` at or after `from`,
// comparing ASCII letters without case; kNone when there is none.
std::size_t FindNoCase(std::string_view text, std::string_view pattern, std::size_t from = 0) {
    if (pattern.empty() || text.size() < pattern.size()) return kNone;
    for (std::size_t i = from; i + pattern.size() <= text.size(); ++i) {
        std::size_t k = 0;
        while (k < pattern.size() && UpperAscii(text[i + k]) == UpperAscii(pattern[k])) ++k;
        if (k == pattern.size()) return i;
    }
    return kNone;
}

int HexDigit(char c) {  // upper case only: "=e9" is not an escape
    if (c >= '0' && c <= '9') return c - '0';
    if (c >= 'A' && c <= 'F') return c - 'A' + 10;
    return -1;
}

int Base64Digit(char c) {
    if (c >= 'A' && c <= 'Z') return c - 'A';
    if (c >= 'a' && c <= 'z') return c - 'a' + 26;
    if (c >= '0' && c <= '9') return c - '0' + 52;
    if (c == '+') return 62;
    if (c == '/') return 63;
    return -1;
}

WorkBuffer QDecode(std::string_view text) {
    WorkBuffer out;
    for (std::size_t i = 0; i < text.size();) {
        if (text[i] != '=') {
            out.Push(text[i++]);
            continue;
        }
        if (text.size() - i < 3) break;  // "=" with fewer than two bytes behind it ends the text
        if (text[i + 1] == '\r' && text[i + 2] == '\n') {  // soft line break
            i += 3;
            continue;
        }
        const int hi = HexDigit(text[i + 1]), lo = HexDigit(text[i + 2]);
        if (hi >= 0 && lo >= 0) {
            out.Push(static_cast<char>(hi * 16 + lo));
            i += 3;
        } else {
            ++i;  // a stray "=" goes; what follows it is ordinary text
        }
    }
    return out;
}

// Decodes at most `count` bytes of `text`. Bytes outside the alphabet are
// skipped; a "=" right after a decoded character ends the text; a last short
// group is filled with zero bits. Zero bytes in the output end the result
// when it is read as a C string.
WorkBuffer BDecode(std::string_view text, std::size_t count) {
    WorkBuffer out;
    if (text.empty() || text[0] == '=') return out;
    if (count < text.size()) text = text.substr(0, count);
    std::uint32_t acc = 0;
    int inGroup = 0;
    const auto flush = [&] {
        const std::uint32_t bits = acc >> 6;
        out.Push(static_cast<char>((bits >> 16) & 0xFF));
        out.Push(static_cast<char>((bits >> 8) & 0xFF));
        out.Push(static_cast<char>(bits & 0xFF));
        acc = 0;
        inGroup = 0;
    };
    for (std::size_t i = 0; i < text.size(); ++i) {
        const int v = Base64Digit(text[i]);
        if (v < 0) continue;
        acc = (acc + static_cast<std::uint32_t>(v)) << 6;
        if (++inGroup == 4) flush();
        if (i + 1 < text.size() && text[i + 1] == '=') break;
    }
    if (inGroup > 0) {
        while (inGroup < 4) {
            acc <<= 6;
            ++inGroup;
        }
        flush();
    }
    return out;
}

// Where the encoded word starting at `word` ends: the offset of its closing
// "?=" within the word, or kNone when the word has no end marker.
//
// A "Q?=" in the word means the first "?=" after it closes the word, so that
// Q text beginning with an escape ("?Q?=E9") is not ended inside the escape.
// When no "?=" follows the "Q?=", the word ends at its first "?=" as if there
// were no "Q?=" at all, with one exception: the "?=" inside the "?Q?=" that
// opens the Q text never ends the word. So
//  - "?Q?=E9t" (a field cut short inside its first escape) has no end marker
//    and is decoded to the end of the value;
//  - "?B?SGVsbG9Q?= tail" and "?Q?FAQ?=" (text ending in "Q" right before the
//    closing "?=") end at that "?=";
//  - "?Q?a?= FAQ?=" ends at the first "?=", the "Q?=" in the tail is text.
std::size_t EndMarker(std::string_view word) {
    const std::size_t firstAny = FindNoCase(word, "?=");
    const std::size_t first = (firstAny == kNone || firstAny <= 1) ? kNone : firstAny;
    const std::size_t q = FindNoCase(word, "Q?=");
    if (q == kNone || q == 0) return first;
    if (const std::size_t after = FindNoCase(word, "?=", q + 2); after != kNone) return after;
    const bool opensQText = FindNoCase(word, "?Q?", 2) == q - 1;
    if (opensQText && first == q + 1) return kNone;
    return first;
}

// Decodes the first encoded word of `value`. Returns the value itself (after
// the line-end cut) when there is nothing to decode: no "=?", empty encoded
// text, or an encoding letter other than Q or B.
WorkBuffer DecodeEncodedWord(std::string_view value) {
    // A value whose next-to-last byte is CR is cut there.
    if (value.size() >= 2 && value[value.size() - 2] == '\r') value.remove_suffix(2);
    WorkBuffer unchanged;
    unchanged.Append(value);

    // Leading spaces are skipped; the text up to "=?" is the head.
    const std::size_t start = value.find_first_not_of(' ');
    if (start == kNone) return unchanged;
    const std::size_t open = FindNoCase(value, "=?", start);
    if (open == kNone) return unchanged;
    const std::string_view head = value.substr(start, open - start);

    // The word runs to its end marker; what follows the marker is the tail.
    std::string_view word = value.substr(open);
    std::string_view tail;
    if (const std::size_t end = EndMarker(word); end != kNone) {
        tail = word.substr(end + 2);
        word = word.substr(0, end);
    }

    // The encoding letter, either case.
    WorkBuffer decoded;
    bool known = false;
    std::string_view searchB = word.substr(2);
    if (const std::size_t q = FindNoCase(word, "?Q?", 2); q != kNone) {
        const std::string_view text = word.substr(q + 3);
        if (text.empty()) return unchanged;
        decoded = QDecode(text);
        known = true;
        searchB = text;
    }
    if (const std::size_t b = FindNoCase(searchB, "?B?"); b != kNone) {
        const std::string_view text = searchB.substr(b + 3);
        if (text.empty()) return unchanged;
        decoded = BDecode(text, text.size());
        known = true;
    }
    if (!known) return unchanged;

    // Head, decoded bytes up to their first zero byte, tail.
    WorkBuffer result;
    result.Append(head);
    result.Append(decoded.AsCString());
    result.Append(tail);
    return result;
}

}  // namespace

extern "C" void LWB_CALL DecodeField(char* value) {
    if (value == nullptr) return;
    // A value of kWorkSize bytes or more does not fit the working copy; no
    // caller passes one, and it is left exactly as it is.
    std::size_t length = 0;
    while (length < kWorkSize && value[length] != '\0') ++length;
    if (length >= kWorkSize) return;
    const WorkBuffer result = DecodeEncodedWord(std::string_view(value, length));
    const std::string_view bytes = result.AsCString();
    if (bytes.size() > length) return;  // cannot happen; never write past the value
    std::memcpy(value, bytes.data(), bytes.size());
    value[bytes.size()] = '\0';
}
