#include "mining/TextSet.h"

#include <cstring>
#include <functional>

namespace ledgerly {
namespace {

void Prefetch(const void* at) {
#if defined(__GNUC__)
    __builtin_prefetch(at);
#else
    (void)at;
#endif
}

}  // namespace

std::uint64_t TextSet::Hash(std::string_view text) { return std::hash<std::string_view>{}(text); }

void TextSet::PrefetchSlot(std::uint64_t hash) const { Prefetch(&slots_[hash & (slots_.size() - 1)]); }

void TextSet::PrefetchText(std::uint64_t hash) const {
    const Slot& slot = slots_[hash & (slots_.size() - 1)];
    if (slot.place != 0) Prefetch(texts_.data() + slot.place - 1);
}

std::string_view TextSet::TextAt(std::uint64_t place) const {
    std::uint64_t length = 0;
    std::memcpy(&length, texts_.data() + place - 1, sizeof length);
    return std::string_view(texts_).substr(place - 1 + sizeof length, length);
}

bool TextSet::Insert(std::string_view text, std::uint64_t hash) {
    const std::size_t mask = slots_.size() - 1;
    for (std::size_t i = hash & mask;; i = (i + 1) & mask) {
        Slot& slot = slots_[i];
        if (slot.place == 0) {
            slot = Slot{hash, texts_.size() + 1};
            const std::uint64_t length = text.size();
            texts_.append(reinterpret_cast<const char*>(&length), sizeof length);
            texts_.append(text);
            if (++count_ * 2 > slots_.size()) Grow();
            return true;
        }
        if (slot.hash == hash && TextAt(slot.place) == text) return false;
    }
}

void TextSet::Grow() {
    std::vector<Slot> old(slots_.size() * 2);
    old.swap(slots_);
    const std::size_t mask = slots_.size() - 1;
    for (const Slot& s : old) {
        if (s.place == 0) continue;
        std::size_t i = s.hash & mask;
        while (slots_[i].place != 0) i = (i + 1) & mask;
        slots_[i] = s;
    }
}

}  // namespace ledgerly
