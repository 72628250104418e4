#include "body/StripHtml.h"

#include "app/TextHelpers.h"

namespace ledgerly {
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

}  // namespace ledgerly
