#include "store/MessageScan.h"

#include <algorithm>
#include <deque>
#include <map>

#include "store/Mailbox.h"

namespace ledgerly {
namespace {

bool EndsLine(char c) { return c == '\r' || c == '\n'; }

}  // namespace

void MessageStartScanner::Feed(std::string_view piece) {
    if (piece.empty()) return;
    std::string buffer = tail_;
    buffer.append(piece);
    const std::int64_t base = size_ - static_cast<std::int64_t>(tail_.size());
    for (std::size_t at = buffer.find(kDelimiterStart); at != std::string::npos; at = buffer.find(kDelimiterStart, at + 1)) {
        if (first_ < 0) first_ = base + static_cast<std::int64_t>(at);
        const bool lineStart = at == 0 ? tailAtLineStart_ : EndsLine(buffer[at - 1]);
        if (lineStart) starts_.push_back(base + static_cast<std::int64_t>(at));
    }
    // A delimiter may begin in the last bytes and end in the next piece: those
    // bytes are looked at again then (find above cannot have matched there).
    const std::size_t keep = std::min(buffer.size(), kDelimiterStart.size() - 1);
    const std::size_t from = buffer.size() - keep;
    if (from > 0) tailAtLineStart_ = EndsLine(buffer[from - 1]);
    tail_ = buffer.substr(from);
    size_ += static_cast<std::int64_t>(piece.size());
}

std::vector<MessageRange> RangesFromStarts(std::vector<std::int64_t> starts, std::int64_t fileSize) {
    std::erase_if(starts, [fileSize](std::int64_t s) { return s < 0 || s >= fileSize; });
    std::sort(starts.begin(), starts.end());
    starts.erase(std::unique(starts.begin(), starts.end()), starts.end());
    std::vector<MessageRange> ranges;
    ranges.reserve(starts.size());
    for (std::size_t i = 0; i < starts.size(); ++i) {
        const std::int64_t end = i + 1 < starts.size() ? starts[i + 1] : fileSize;
        ranges.push_back({starts[i], end - starts[i]});
    }
    return ranges;
}

std::uint64_t MessageHash(std::string_view bytes) {
    std::uint64_t h = 14695981039346656037ull;
    for (char c : bytes) {
        h ^= static_cast<unsigned char>(c);
        h *= 1099511628211ull;
    }
    return h;
}

SummaryMatch MatchSummaries(std::span<const MessageRange> messages, std::span<const OldSummaryPlace> summaries,
                            const HashAt& messageHash, const HashAt& summaryHash) {
    SummaryMatch match;
    match.summaryFor.assign(messages.size(), -1);
    std::vector<bool> taken(summaries.size(), false);

    // The same place: a summary whose range is exactly the message's.
    std::map<std::pair<std::int64_t, std::int64_t>, std::deque<std::int32_t>> byPlace;
    for (std::size_t k = 0; k < summaries.size(); ++k)
        byPlace[{summaries[k].now.offset, summaries[k].now.length}].push_back(static_cast<std::int32_t>(k));
    for (std::size_t i = 0; i < messages.size(); ++i) {
        const auto it = byPlace.find({messages[i].offset, messages[i].length});
        if (it == byPlace.end() || it->second.empty()) continue;
        match.summaryFor[i] = it->second.front();
        taken[static_cast<std::size_t>(it->second.front())] = true;
        it->second.pop_front();
    }

    // The same bytes: the summaries left of one length are hashed the first
    // time a message of that length is left too.
    std::map<std::int64_t, std::vector<std::int32_t>> leftByLength;
    for (std::size_t k = 0; k < summaries.size(); ++k)
        if (!taken[k]) leftByLength[summaries[k].described.length].push_back(static_cast<std::int32_t>(k));
    std::map<std::pair<std::int64_t, std::uint64_t>, std::deque<std::int32_t>> byBytes;
    for (std::size_t i = 0; i < messages.size(); ++i) {
        if (match.summaryFor[i] >= 0) continue;
        const std::int64_t length = messages[i].length;
        if (auto group = leftByLength.find(length); group != leftByLength.end()) {
            for (std::int32_t k : group->second)
                if (auto h = summaryHash(static_cast<std::size_t>(k))) byBytes[{length, *h}].push_back(k);
            leftByLength.erase(group);
        }
        const auto any = byBytes.lower_bound({length, 0});
        if (any == byBytes.end() || any->first.first != length) continue;
        const auto h = messageHash(i);
        if (!h) continue;
        const auto it = byBytes.find({length, *h});
        if (it == byBytes.end()) continue;
        match.summaryFor[i] = it->second.front();
        taken[static_cast<std::size_t>(it->second.front())] = true;
        it->second.pop_front();
        if (it->second.empty()) byBytes.erase(it);
    }

    for (std::size_t k = 0; k < summaries.size(); ++k)
        if (!taken[k]) match.unmatched.push_back(static_cast<std::int32_t>(k));
    return match;
}

}  // namespace ledgerly
