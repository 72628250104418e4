#include "attachments/PatternSet.h"

#include <algorithm>
#include <deque>
#include <map>
#include <unordered_set>

#include "app/TextHelpers.h"

#if defined(__SSE2__)
#define LEDGERLY_SSE2 1
#include <emmintrin.h>
#endif

namespace ledgerly {
namespace {

// Up to this many different first bytes, the scan between matches compares
// 16 text bytes at a time with each of them.
constexpr std::size_t kVectorStartBytes = 8;

}  // namespace

PatternSet::PatternSet(const std::vector<std::string>& patterns, Case compare) {
    for (int b = 0; b < 256; ++b)
        fold_[static_cast<std::size_t>(b)] = compare == Case::IgnoreCase ? static_cast<unsigned char>(FoldCase(static_cast<char>(b)))
                                                                          : static_cast<unsigned char>(b);
    // The trie, built with ordered child maps; flattened below.
    std::vector<std::map<unsigned char, int>> children(1);
    nodes_.emplace_back();
    for (std::size_t id = 0; id < patterns.size(); ++id) {
        if (patterns[id].empty()) continue;
        int node = 0;
        for (const char ch : patterns[id]) {
            const unsigned char c = fold_[static_cast<unsigned char>(ch)];
            auto& kids = children[static_cast<std::size_t>(node)];
            const auto it = kids.find(c);
            if (it != kids.end()) {
                node = it->second;
                continue;
            }
            const int next = static_cast<int>(nodes_.size());
            nodes_.emplace_back();
            children.emplace_back();
            children[static_cast<std::size_t>(node)].emplace(c, next);
            node = next;
        }
        if (nodes_[static_cast<std::size_t>(node)].pattern < 0) nodes_[static_cast<std::size_t>(node)].pattern = static_cast<int>(id);
    }
    for (std::size_t n = 0; n < nodes_.size(); ++n) {
        nodes_[n].firstEdge = static_cast<int>(edgeBytes_.size());
        nodes_[n].edges = static_cast<int>(children[n].size());
        for (const auto& [c, child] : children[n]) {
            edgeBytes_.push_back(c);
            edgeNodes_.push_back(child);
        }
    }
    rootChild_.fill(-1);
    for (const auto& [c, child] : children[0]) rootChild_[c] = child;
    bool oneByte = false;
    std::array<bool, 256> second{};
    for (const auto& [c, child] : children[0]) {
        oneByte = oneByte || nodes_[static_cast<std::size_t>(child)].pattern >= 0;
        for (const auto& [c2, grandchild] : children[static_cast<std::size_t>(child)]) second[c2] = true;
    }
    for (int b = 0; b < 256; ++b) {
        const unsigned char f = fold_[static_cast<std::size_t>(b)];
        if (rootChild_[f] >= 0) startBytes_.push_back(static_cast<char>(b));
        if (!oneByte && second[f]) secondBytes_.push_back(static_cast<char>(b));
    }

    // Fail links, breadth first.
    std::deque<int> queue;
    for (const auto& [c, child] : children[0]) queue.push_back(child);
    while (!queue.empty()) {
        const int node = queue.front();
        queue.pop_front();
        for (const auto& [c, child] : children[static_cast<std::size_t>(node)]) {
            int f = nodes_[static_cast<std::size_t>(node)].fail;
            int target = Child(f, c);
            while (target < 0 && f != 0) {
                f = nodes_[static_cast<std::size_t>(f)].fail;
                target = Child(f, c);
            }
            Node& n = nodes_[static_cast<std::size_t>(child)];
            n.fail = target < 0 ? 0 : target;
            const Node& failNode = nodes_[static_cast<std::size_t>(n.fail)];
            n.outputLink = failNode.pattern >= 0 ? n.fail : failNode.outputLink;
            queue.push_back(child);
        }
    }
}

int PatternSet::Child(int node, unsigned char c) const {
    if (node == 0) return rootChild_[c];
    const Node& n = nodes_[static_cast<std::size_t>(node)];
    const unsigned char* first = edgeBytes_.data() + n.firstEdge;
    const unsigned char* last = first + n.edges;
    // Paths branch little: most nodes have one child.
    const unsigned char* at = n.edges <= 8 ? std::find(first, last, c) : std::lower_bound(first, last, c);
    return at != last && *at == c ? edgeNodes_[static_cast<std::size_t>(at - edgeBytes_.data())] : -1;
}

// Finds where the next match can begin, for the scan in the root state:
// with few first bytes, 16 text bytes at a time are compared with each of
// them and the byte after with each possible second byte (the pairs this
// lets through are a superset of the real ones); else byte by byte.
struct PatternSet::StartScan {
    const PatternSet& set;
#ifdef LEDGERLY_SSE2
    bool vector = false;
    __m128i first[kVectorStartBytes], second[kVectorStartBytes];
    std::size_t firsts = 0, seconds = 0;
#endif
    explicit StartScan(const PatternSet& s) : set(s) {
#ifdef LEDGERLY_SSE2
        vector = set.startBytes_.size() <= kVectorStartBytes && set.secondBytes_.size() <= kVectorStartBytes;
        if (!vector) return;
        for (const char b : set.startBytes_) first[firsts++] = _mm_set1_epi8(b);
        for (const char b : set.secondBytes_) second[seconds++] = _mm_set1_epi8(b);
#endif
    }

#ifdef LEDGERLY_SSE2
    static __m128i AnyOf(__m128i block, const __m128i* values, std::size_t count) {
        __m128i hit = _mm_setzero_si128();
        for (std::size_t k = 0; k < count; ++k) hit = _mm_or_si128(hit, _mm_cmpeq_epi8(block, values[k]));
        return hit;
    }
#endif

    std::size_t Next(std::string_view text, std::size_t from) const {
        const auto* p = reinterpret_cast<const unsigned char*>(text.data());
        const std::size_t n = text.size();
#ifdef LEDGERLY_SSE2
        if (vector) {
            if (firsts == 0) return n;
            for (; from + 17 <= n; from += 16) {
                const __m128i block = _mm_loadu_si128(reinterpret_cast<const __m128i*>(p + from));
                __m128i hit = AnyOf(block, first, firsts);
                if (seconds > 0) hit = _mm_and_si128(hit, AnyOf(_mm_loadu_si128(reinterpret_cast<const __m128i*>(p + from + 1)), second, seconds));
                if (const int mask = _mm_movemask_epi8(hit)) return from + static_cast<std::size_t>(__builtin_ctz(static_cast<unsigned>(mask)));
            }
        }
#endif
        while (from < n && set.rootChild_[set.fold_[p[from]]] < 0) ++from;
        return from;
    }
};

std::vector<int> PatternSet::Present(std::string_view text) const {
    std::vector<int> found;
    std::unordered_set<int> seen;
    const StartScan scan(*this);
    int node = 0;
    for (std::size_t i = 0; i < text.size(); ++i) {
        if (node == 0) {
            i = scan.Next(text, i);
            if (i == text.size()) break;
        }
        const unsigned char c = fold_[static_cast<unsigned char>(text[i])];
        int next = Child(node, c);
        while (next < 0 && node != 0) {
            node = nodes_[static_cast<std::size_t>(node)].fail;
            next = Child(node, c);
        }
        node = next < 0 ? 0 : next;
        const Node& here = nodes_[static_cast<std::size_t>(node)];
        // Once a node's pattern is recorded, so is every pattern further along
        // its output chain: each node's chain is walked at most once.
        for (int at = here.pattern >= 0 ? node : here.outputLink; at >= 0; at = nodes_[static_cast<std::size_t>(at)].outputLink) {
            if (!seen.insert(nodes_[static_cast<std::size_t>(at)].pattern).second) break;
            found.push_back(nodes_[static_cast<std::size_t>(at)].pattern);
        }
    }
    std::sort(found.begin(), found.end());
    return found;
}

}  // namespace ledgerly
