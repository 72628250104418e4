#include "attachments/PatternSet.h"

#include <algorithm>
#include <deque>
#include <unordered_set>

namespace ledgerly {
namespace {

std::uint64_t EdgeKey(int node, unsigned char c) { return (static_cast<std::uint64_t>(node) << 8) | c; }

}  // namespace

int PatternSet::Child(int node, unsigned char c) const {
    if (node == 0 && !rootHasChild_[c]) return -1;
    const auto it = edges_.find(EdgeKey(node, c));
    return it == edges_.end() ? -1 : it->second;
}

PatternSet::PatternSet(const std::vector<std::string>& patterns) {
    nodes_.emplace_back();
    // Children of each node, for the breadth-first pass that sets fail links.
    std::vector<std::vector<std::pair<unsigned char, int>>> children(1);
    for (std::size_t id = 0; id < patterns.size(); ++id) {
        if (patterns[id].empty()) continue;
        int node = 0;
        for (const char ch : patterns[id]) {
            const auto c = static_cast<unsigned char>(ch);
            int next = Child(node, c);
            if (next < 0) {
                next = static_cast<int>(nodes_.size());
                nodes_.emplace_back();
                children.emplace_back();
                edges_.emplace(EdgeKey(node, c), next);
                children[static_cast<std::size_t>(node)].emplace_back(c, next);
                if (node == 0) rootHasChild_[c] = true;
            }
            node = next;
        }
        if (nodes_[static_cast<std::size_t>(node)].pattern < 0) nodes_[static_cast<std::size_t>(node)].pattern = static_cast<int>(id);
    }

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

std::vector<int> PatternSet::Present(std::string_view text) const {
    std::vector<int> found;
    std::unordered_set<int> seen;
    int node = 0;
    for (const char ch : text) {
        const auto c = static_cast<unsigned char>(ch);
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
