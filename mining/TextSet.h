#pragma once
// A set of texts for the miners' duplicate tests. Most texts offered were
// seen before, so the look-up is what costs, and what it costs is memory
// traffic: the table holds 16 bytes per slot (the text's hash and where the
// text lies) and the texts lie one after another in one string, rather than
// a node and a string per text scattered over the heap. A caller that knows
// its next texts fetches their slots and texts ahead.
#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

namespace ledgerly {

class TextSet {
public:
    TextSet() : slots_(1 << 12) {}

    // False when `text` was inserted before.
    bool Insert(std::string_view text) { return Insert(text, Hash(text)); }

    static std::uint64_t Hash(std::string_view text);
    bool Insert(std::string_view text, std::uint64_t hash);
    // Hints for a text to be inserted soon: first its slot, then (once the
    // slot is in the cache) the text the slot points to.
    void PrefetchSlot(std::uint64_t hash) const;
    void PrefetchText(std::uint64_t hash) const;

private:
    struct Slot {
        std::uint64_t hash = 0;
        std::uint64_t place = 0;  // 0: free; else 1 + where the text's length (8 bytes) and bytes begin in texts_
    };
    std::string_view TextAt(std::uint64_t place) const;
    void Grow();

    std::vector<Slot> slots_;  // a power of two, at most half full
    std::size_t count_ = 0;
    std::string texts_;
};

}  // namespace ledgerly
