#include "mining/TextSet.h"

#include <cstring>
#include <functional>

namespace ledgerly {

std::string_view TextSet::TextAt(std::uint32_t place) const {
    std::uint32_t length = 0;
    std::memcpy(&length, texts_.data() + place - 1, sizeof length);
    return std::string_view(texts_).substr(place - 1 + sizeof length, length);
}

bool TextSet::Insert(std::string_view text) {
    const std::uint64_t hash = std::hash<std::string_view>{}(text);
    const auto check = static_cast<std::uint32_t>(hash >> 32);
    const std::size_t mask = slots_.size() - 1;
    for (std::size_t i = hash & mask;; i = (i + 1) & mask) {
        Slot& slot = slots_[i];
        if (slot.place == 0) {
            slot = Slot{check, static_cast<std::uint32_t>(texts_.size() + 1)};
            hashes_.push_back(hash);
            places_.push_back(slot.place);
            const auto length = static_cast<std::uint32_t>(text.size());
            texts_.append(reinterpret_cast<const char*>(&length), sizeof length);
            texts_.append(text);
            if (hashes_.size() * 2 > slots_.size()) Grow();
            return true;
        }
        if (slot.check == check && TextAt(slot.place) == text) return false;
    }
}

void TextSet::Grow() {
    slots_.assign(slots_.size() * 2, Slot{});
    const std::size_t mask = slots_.size() - 1;
    for (std::size_t k = 0; k < hashes_.size(); ++k) {
        std::size_t i = hashes_[k] & mask;
        while (slots_[i].place != 0) i = (i + 1) & mask;
        slots_[i] = Slot{static_cast<std::uint32_t>(hashes_[k] >> 32), places_[k]};
    }
}

}  // namespace ledgerly
