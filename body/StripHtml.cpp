#include "body/StripHtml.h"

#include <algorithm>
#include <cstring>

#include "app/TextHelpers.h"

#if defined(__SSE2__)
#define LEDGERLY_SSE2 1
#include <emmintrin.h>
#endif

namespace ledgerly {
namespace {

// The rules below are written as passes that each rewrite the whole text
// (collapse, normalize, remove, remove again, collapse four times). The code
// gets the same result in fewer passes, each one linear, most of them in
// place:
// - collapsing runs of a byte drops a byte equal to the one before it in the
//   input, so the four final collapses are one pass, and so is normalizing
//   (a space goes when the byte before it is a space or a "<");
// - the elements are cut out by compacting the text towards its start, so
//   that each removal costs only what it skips over;
// - a text without any "<" only has its runs collapsed.

constexpr std::size_t npos = std::string::npos;

unsigned char Folded(char c) { return static_cast<unsigned char>(FoldCase(c)); }

// A tag to search for without regard to case: "<" and a name, folded. A
// tag begins with "<", which only "<" folds to; `second` holds the bytes
// that fold to its second byte (one or two of them).
struct Tag {
    std::string folded;
    char second[2] = {};
    Tag(std::string_view start, std::string_view name) : folded(start) {
        for (char c : name) folded.push_back(static_cast<char>(Folded(c)));
        if (folded.size() < 2) return;
        int found = 0;
        for (int b = 0; b < 256 && found < 2; ++b)
            if (Folded(static_cast<char>(b)) == static_cast<unsigned char>(folded[1])) second[found++] = static_cast<char>(b);
        if (found == 1) second[1] = second[0];
    }
    std::size_t size() const { return folded.size(); }
    bool At(const char* p) const {
        for (std::size_t k = 1; k < folded.size(); ++k)
            if (Folded(p[k]) != static_cast<unsigned char>(folded[k])) return false;
        return true;
    }
};

// First occurrence of `tag` at or after `from`.
std::size_t FindTag(std::string_view text, const Tag& tag, std::size_t from) {
    const std::size_t n = tag.size();
    if (text.size() < n) return npos;
    const std::size_t last = text.size() - n;
    const char* base = text.data();
#ifdef LEDGERLY_SSE2
    // 16 places at a time: a "<" followed by a byte that folds to the
    // tag's second one. In HTML most "<" fail there already.
    if (n >= 2) {
        const __m128i lt = _mm_set1_epi8('<'), a = _mm_set1_epi8(tag.second[0]), b = _mm_set1_epi8(tag.second[1]);
        for (; from + 16 <= last + 1; from += 16) {
            const __m128i here = _mm_loadu_si128(reinterpret_cast<const __m128i*>(base + from));
            const __m128i next = _mm_loadu_si128(reinterpret_cast<const __m128i*>(base + from + 1));
            const __m128i hit = _mm_and_si128(_mm_cmpeq_epi8(here, lt), _mm_or_si128(_mm_cmpeq_epi8(next, a), _mm_cmpeq_epi8(next, b)));
            for (unsigned mask = static_cast<unsigned>(_mm_movemask_epi8(hit)); mask != 0; mask &= mask - 1) {
                const std::size_t at = from + static_cast<std::size_t>(__builtin_ctz(mask));
                if (tag.At(base + at)) return at;
            }
        }
    }
#endif
    while (from <= last) {
        const void* hit = std::memchr(base + from, '<', last - from + 1);
        if (!hit) return npos;
        const std::size_t at = static_cast<std::size_t>(static_cast<const char*>(hit) - base);
        if (tag.At(base + at)) return at;
        from = at + 1;
    }
    return npos;
}

// The rules' collapsing and normalizing each drop a byte for what it is and
// what the byte before it in the input is: a byte they drop equals the byte
// before it or follows a "<", so the byte before it in the output is the
// same as in the input. Each rule says so for one byte and, where the
// processor has SSE2, for 16 bytes at once (a mask of the bytes dropped).
struct RunOf {
    char c;
    bool Drops(char previous, char b) const { return b == c && previous == c; }
#ifdef LEDGERLY_SSE2
    __m128i Drops(__m128i previous, __m128i b) const {
        const __m128i cc = _mm_set1_epi8(c);
        return _mm_and_si128(_mm_cmpeq_epi8(b, cc), _mm_cmpeq_epi8(previous, cc));
    }
#endif
};
struct RunsOfBreaksAndBlanks {
    static bool Drops(char previous, char b) {
        return b == previous && (b == '\r' || b == '\n' || b == '\t' || b == ' ');
    }
#ifdef LEDGERLY_SSE2
    static __m128i Drops(__m128i previous, __m128i b) {
        const __m128i blank = _mm_or_si128(_mm_or_si128(_mm_cmpeq_epi8(b, _mm_set1_epi8('\r')), _mm_cmpeq_epi8(b, _mm_set1_epi8('\n'))),
                                           _mm_or_si128(_mm_cmpeq_epi8(b, _mm_set1_epi8('\t')), _mm_cmpeq_epi8(b, _mm_set1_epi8(' '))));
        return _mm_and_si128(blank, _mm_cmpeq_epi8(b, previous));
    }
#endif
};
// Runs of spaces collapsed, and a space after "<" removed.
struct TagSpacing {
    static bool Drops(char previous, char b) { return b == ' ' && (previous == ' ' || previous == '<'); }
#ifdef LEDGERLY_SSE2
    static __m128i Drops(__m128i previous, __m128i b) {
        const __m128i after = _mm_or_si128(_mm_cmpeq_epi8(previous, _mm_set1_epi8(' ')), _mm_cmpeq_epi8(previous, _mm_set1_epi8('<')));
        return _mm_and_si128(_mm_cmpeq_epi8(b, _mm_set1_epi8(' ')), after);
    }
#endif
};

// Copies `n` bytes from `in` to `out` less the bytes `rule` drops, `previous`
// being the byte before the first. `out` may be `in` or lie before it.
// Returns the end.
template <class Rule>
char* Filter(const char* in, std::size_t n, char previous, char* out, Rule rule) {
    std::size_t i = 0;
#ifdef LEDGERLY_SSE2
    // Blocks where nothing drops are stored whole; the others byte by byte.
    // A store never reaches bytes not yet loaded: `out` trails `in + i`.
    __m128i before = _mm_set1_epi8(previous);
    for (; i + 16 <= n; i += 16) {
        const __m128i block = _mm_loadu_si128(reinterpret_cast<const __m128i*>(in + i));
        const __m128i shifted = _mm_or_si128(_mm_slli_si128(block, 1), _mm_srli_si128(before, 15));
        before = block;
        if (_mm_movemask_epi8(rule.Drops(shifted, block)) == 0) {
            _mm_storeu_si128(reinterpret_cast<__m128i*>(out), block);
            out += 16;
            continue;
        }
        char p = i == 0 ? previous : in[i - 1];
        for (std::size_t k = i; k < i + 16; ++k) {
            const char b = in[k];
            *out = b;
            out += !rule.Drops(p, b);
            p = b;
        }
    }
    if (i > 0) previous = in[i - 1];
#endif
    for (; i < n; ++i) {
        const char b = in[i];
        *out = b;
        out += !rule.Drops(previous, b);
        previous = b;
    }
    return out;
}

template <class Rule>
void FilterInPlace(std::string& text, Rule rule) {
    if (text.empty()) return;
    char* base = text.data();
    // The first byte always stays.
    const char* end = Filter(base + 1, text.size() - 1, base[0], base + 1, rule);
    text.resize(static_cast<std::size_t>(end - base));
}

template <class Rule>
std::string Filtered(std::string_view text, Rule rule) {
    std::string out(text);
    FilterInPlace(out, rule);
    return out;
}

// The rules' element loop, in place: text[0, w) is what is kept so far,
// text[r, size) what is still to be read, and the text the rules search is
// the two joined. After a removal the search goes on a little before the
// join, where the end of what was kept may begin a new element with what
// follows the removed one. Returns false when nothing was removed.
bool CutElements(std::string& text, std::string_view name) {
    if (text.size() < 3) return false;
    const Tag open("<", name), close("</", name);
    const bool nameHasTagStart = name.find('<') != std::string_view::npos;
    char* base = text.data();
    std::size_t size = text.size(), w = 0, r = 0, from = 0;
    bool removed = false;
    for (;;) {
        std::size_t start = npos, closeFrom = 0;
        if (from < w) {
            // Matches that begin in the kept text run across the join.
            std::string joint(base + from, w - from);
            joint.append(base + r, std::min(open.size() - 1, size - r));
            const std::size_t at = FindTag(joint, open, 0);
            if (at != npos && from + at < w) {
                start = from + at;
                closeFrom = r;  // the bytes of the match after its "<" hold no "<"
                if (nameHasTagStart) {
                    // ... unless the name has one: join the text for good.
                    std::memmove(base + w, base + r, size - r);
                    size -= r - w;
                    r = w;
                    closeFrom = start + 1;
                }
            }
        }
        if (start == npos) {
            const std::size_t at = FindTag(std::string_view(base, size), open, r);
            if (at == npos) break;
            start = w + (at - r);
            closeFrom = at + 1;
        }
        const std::size_t end = FindTag(std::string_view(base, size), close, closeFrom);
        if (end == npos) break;
        const void* gt = std::memchr(base + end, '>', size - end);
        if (!gt) break;
        if (start > w) std::memmove(base + w, base + r, start - w);
        w = start;
        r = static_cast<std::size_t>(static_cast<const char*>(gt) - base) + 1;
        removed = true;
        from = start >= open.size() ? start - open.size() + 1 : 0;
    }
    if (!removed) return false;
    std::memmove(base + w, base + r, size - r);
    text.resize(w + size - r);
    return true;
}

// The rules' tag loop, in place: every "<" up to the first ">" after it
// goes; a "<" with no ">" after it stays with all that follows. The bytes
// kept then go through `rule`.
template <class Rule>
void CutTags(std::string& text, Rule rule) {
    char* base = text.data();
    const std::size_t size = text.size();
    char* w = base;
    std::size_t i = 0;
    const auto keep = [&](std::size_t from, std::size_t to) {
        if (from == to) return;
        if (w == base) {  // the first byte kept always stays
            *w++ = base[from++];
        }
        w = Filter(base + from, to - from, w[-1], w, rule);
    };
    for (;;) {
        const void* lt = i < size ? std::memchr(base + i, '<', size - i) : nullptr;
        const void* gt = nullptr;
        if (lt) {
            const std::size_t at = static_cast<std::size_t>(static_cast<const char*>(lt) - base);
            gt = std::memchr(base + at, '>', size - at);
        }
        if (!gt) {
            keep(i, size);
            break;
        }
        const std::size_t at = static_cast<std::size_t>(static_cast<const char*>(lt) - base);
        keep(i, at);
        i = static_cast<std::size_t>(static_cast<const char*>(gt) - base) + 1;
    }
    text.resize(static_cast<std::size_t>(w - base));
}

}  // namespace

std::string CollapseRuns(std::string_view text, char c) { return Filtered(text, RunOf{c}); }

std::string NormalizeTagText(std::string_view text) { return Filtered(text, TagSpacing{}); }

std::string RemoveTags(std::string_view input) {
    std::string text = NormalizeTagText(input);
    if (text.size() < 3) return text;
    CutTags(text, RunOf{' '});
    return text;
}

std::string RemoveElement(std::string_view input, std::string_view name) {
    std::string text = NormalizeTagText(input);
    if (CutElements(text, name)) FilterInPlace(text, RunOf{' '});
    return text;
}

std::string StripHtml(std::string_view input) {
    if (input.empty() || !std::memchr(input.data(), '<', input.size())) return Filtered(input, RunsOfBreaksAndBlanks{});
    std::string text = NormalizeTagText(input);
    // After a removal the next step normalizes again (which collapses the
    // spaces the removal's own rules collapse).
    if (CutElements(text, "head")) FilterInPlace(text, TagSpacing{});
    if (CutElements(text, "script")) FilterInPlace(text, TagSpacing{});
    if (text.size() < 3) {
        FilterInPlace(text, RunsOfBreaksAndBlanks{});
        return text;
    }
    CutTags(text, RunsOfBreaksAndBlanks{});
    return text;
}

}  // namespace ledgerly
