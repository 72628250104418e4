#include "app/TextHelpers.h"

namespace ledgerly {
namespace {

std::size_t FindFirstNoCase(std::string_view text, std::string_view search) {
    if (search.size() > text.size()) return std::string_view::npos;
    const char first = FoldCase(search[0]);
    for (std::size_t i = 0; i + search.size() <= text.size(); ++i) {
        if (FoldCase(text[i]) != first) continue;
        if (EqualsNoCase(text.substr(i, search.size()), search)) return i;
    }
    return std::string_view::npos;
}

}  // namespace

bool EqualsNoCase(std::string_view a, std::string_view b) {
    if (a.size() != b.size()) return false;
    for (std::size_t i = 0; i < a.size(); ++i)
        if (FoldCase(a[i]) != FoldCase(b[i])) return false;
    return true;
}

std::size_t FindText(std::string_view text, std::string_view search, bool fromEnd) {
    if (text.empty()) return 0;
    if (search.empty()) return fromEnd ? text.size() : 1;
    const std::size_t at = fromEnd ? text.rfind(search) : FindFirstNoCase(text, search);
    return at == std::string_view::npos ? 0 : at + 1;
}

// Keeps the rule of the original routine: the result is the text from the second
// character of the match on, so for a one-character search string it is the
// text after that character; when the search string is absent, the text less
// its first character.
std::string TextAfter(std::string_view text, std::string_view search, bool fromEnd) {
    const std::size_t p = FindText(text, search, fromEnd);
    const std::size_t q = p > 0 ? p - 1 : 0;
    if (text.size() < q + 1) return {};
    return std::string(text.substr(q + 1));
}

std::string TextAfterLast(std::string_view text, std::string_view search) { return TextAfter(text, search, true); }

std::string TextBefore(std::string_view text, std::string_view search, bool fromEnd) {
    const std::size_t p = FindText(text, search, fromEnd);
    const std::size_t q = p > 0 ? p - 1 : 0;
    return std::string(text.substr(0, q));
}

std::string TextBeforeLast(std::string_view text, std::string_view search) { return TextBefore(text, search, true); }

// Counts overlapping occurrences, as finding the first occurrence and removing
// one character there, again and again, does.
int CountOccurrences(std::string_view text, std::string_view search, bool lowerCase) {
    if (search.empty()) return 0;
    int count = 0;
    for (std::size_t i = 0; i + search.size() <= text.size(); ++i) {
        const std::string_view window = text.substr(i, search.size());
        bool equal = true;
        for (std::size_t j = 0; j < search.size() && equal; ++j) {
            char a = window[j], b = search[j];
            if (lowerCase) { a = FoldCase(a); b = FoldCase(b); }
            equal = a == b;
        }
        if (equal) ++count;
    }
    return count;
}

bool IsAlphanumeric(std::string_view text) {
    for (char c : text) {
        const bool ok = (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z') || (c >= '0' && c <= '9');
        if (!ok) return false;
    }
    return true;
}

std::string KeepAlphanumerics(std::string_view text) {
    std::string out;
    for (char c : text)
        if (IsAlphanumeric(std::string_view(&c, 1))) out.push_back(c);
    return out;
}

std::string TrimSpaces(std::string_view text) {
    const std::size_t b = text.find_first_not_of(' ');
    if (b == std::string_view::npos) return {};
    const std::size_t e = text.find_last_not_of(' ');
    return std::string(text.substr(b, e - b + 1));
}

std::string TrimAtNull(std::string_view text) {
    const std::size_t nul = text.find('\0');
    return TrimSpaces(nul == std::string_view::npos ? text : text.substr(0, nul));
}

std::string ReplaceAll(std::string_view text, std::string_view from, std::string_view to) {
    if (from.empty()) return std::string(text);
    std::string out;
    out.reserve(text.size());
    std::size_t pos = 0;
    for (;;) {
        const std::size_t at = text.find(from, pos);
        if (at == std::string_view::npos) break;
        out.append(text.substr(pos, at - pos));
        out.append(to);
        pos = at + from.size();
    }
    out.append(text.substr(pos));
    return out;
}

}  // namespace ledgerly
