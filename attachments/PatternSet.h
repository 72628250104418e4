#pragma once
// A set of byte patterns searched for all at once (an Aho-Corasick
// automaton): one pass over a text tells which patterns occur in it, however
// many patterns there are. The link repair uses it so that rewriting a
// mailbox costs one scan per message instead of one per broken reference.
#include <array>
#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

namespace ledgerly {

class PatternSet {
public:
    // Exact: bytes compared as they are. IgnoreCase: patterns and text
    // compared as FoldCase folds them (what searching FoldText(text) for
    // FoldText(pattern) finds).
    enum class Case { Exact, IgnoreCase };

    // Empty patterns never match. Equal patterns share the id of the first.
    explicit PatternSet(const std::vector<std::string>& patterns, Case compare = Case::Exact);

    // The ids (indexes into the constructor's vector) of the patterns that
    // occur in `text`, ascending, each once.
    std::vector<int> Present(std::string_view text) const;

private:
    struct Node {
        int fail = 0;
        int pattern = -1;     // pattern ending here
        int outputLink = -1;  // nearest node on the fail chain that ends a pattern
        int firstEdge = 0;    // this node's children: edgeBytes_/edgeNodes_[firstEdge, firstEdge + edges)
        int edges = 0;
    };
    int Child(int node, unsigned char c) const;
    struct StartScan;

    std::vector<Node> nodes_;
    std::vector<unsigned char> edgeBytes_;  // sorted within each node
    std::vector<int> edgeNodes_;
    std::array<int, 256> rootChild_{};      // -1: no pattern begins with this byte
    std::array<unsigned char, 256> fold_{}; // what a text byte is compared as
    std::vector<char> startBytes_;          // the text bytes a match can begin with
    std::vector<char> secondBytes_;         // ... and follow that with; empty when a pattern is one byte long
};

}  // namespace ledgerly
