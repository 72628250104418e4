#pragma once
// A set of byte patterns searched for all at once (an Aho-Corasick
// automaton): one pass over a text tells which patterns occur in it, however
// many patterns there are. The link repair uses it so that rewriting a
// mailbox costs one scan per message instead of one per broken reference.
#include <cstdint>
#include <string>
#include <string_view>
#include <unordered_map>
#include <vector>

namespace ledgerly {

class PatternSet {
public:
    // Empty patterns never match. Equal patterns share the id of the first.
    explicit PatternSet(const std::vector<std::string>& patterns);

    // The ids (indexes into the constructor's vector) of the patterns that
    // occur in `text`, ascending, each once.
    std::vector<int> Present(std::string_view text) const;

private:
    struct Node {
        int fail = 0;
        int pattern = -1;     // pattern ending here
        int outputLink = -1;  // nearest node on the fail chain that ends a pattern
    };
    int Child(int node, unsigned char c) const;

    std::vector<Node> nodes_;
    std::unordered_map<std::uint64_t, int> edges_;  // (node << 8 | byte) -> child
    bool rootHasChild_[256] = {};
};

}  // namespace ledgerly
