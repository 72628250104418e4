#include "mining/AddressHarvester.h"

#include <cstdint>
#include <cstring>
#include <vector>

#include "app/FileHelpers.h"
#include "app/TextHelpers.h"
#include "mining/LineReader.h"
#include "mining/TextSet.h"

namespace ledgerly {
namespace {

// ",", space, ":", "-", "<", ">", backquote, backslash, "/", "+", "=", "|",
// "(", ")", "&", "^", "%", "!", "~", "$", apostrophe, double quote, tab, ";".
constexpr std::string_view kSeparators = ", :-<>`\\/+=|()&^%!~$'\"\t;";

struct SeparatorTable {
    bool is[256] = {};
    constexpr SeparatorTable() {
        for (char c : kSeparators) is[static_cast<unsigned char>(c)] = true;
    }
    bool operator()(char c) const { return is[static_cast<unsigned char>(c)]; }
};
constexpr SeparatorTable kIsSeparator;

// What ends an address in a run of lines: a separator or a line break.
struct EndTable : SeparatorTable {
    constexpr EndTable() { is[static_cast<unsigned char>('\r')] = is[static_cast<unsigned char>('\n')] = true; }
};
constexpr EndTable kEndsAddress;

constexpr std::string_view kDelimiterAddress = "???@???";
constexpr int kLinesPerPause = 100;
constexpr int kPauseMs = 10;

// The address whose "@" stands at `at` in a run of lines; its left part
// begins after the last separator or line break in [from, at), its right
// part ends before the first separator or line break after `at`.
std::string_view AddressAround(std::string_view lines, std::size_t from, std::size_t at) {
    std::size_t left = at;
    while (left > from && !kEndsAddress(lines[left - 1])) --left;
    std::size_t right = at + 1;
    while (right < lines.size() && !kEndsAddress(lines[right])) ++right;
    return lines.substr(left, right - left);
}

}  // namespace

std::string IsolateAddress(std::string_view text) {
    std::string left = TextBefore(text, "@");
    std::string right = TextAfter(text, "@");
    // Cutting after the last occurrence of each separator in turn leaves what
    // follows the last separator of any kind; cutting before the first leaves
    // what precedes the first.
    std::size_t l = left.size();
    while (l > 0 && !kIsSeparator(left[l - 1])) --l;
    std::size_t r = 0;
    while (r < right.size() && !kIsSeparator(right[r])) ++r;
    return left.substr(l) + "@" + right.substr(0, r);
}

std::optional<MinerResult> HarvestAddresses(ToolContext& context, const std::string& mbxPath) {
    if (!FileExists(mbxPath)) return std::nullopt;

    MinerResult result;
    result.mode = MinerMode::Addresses;
    result.columnCaption = "E-Mail Addresses";
    TextSet seen;  // the texts listed, compared with case
    std::int64_t added = 0;

    auto offer = [&](std::string_view candidate, std::uint64_t hash) {
        if (candidate.size() < 2 || candidate == kDelimiterAddress) return;
        if (!seen.Insert(candidate, hash)) return;
        result.entries.push_back(MinerEntry{std::string(candidate), std::string(candidate), "e_mail"});
        ++added;
        context.host.Status(std::to_string(added));
    };

    // Runs of whole lines rather than line by line: most lines hold no "@".
    // The pause after every 100th line stays where it was: the lines that
    // end before an "@" are counted (and paused for) before its address.
    LineReader reader(mbxPath, kRunBytes);
    const std::int64_t size = FileSize(mbxPath);
    if (!reader.opened()) result.readError = reader.openError();
    LineCounter counter;
    const auto countTo = [&](auto&& count) {
        const long long before = counter.lines();
        count();
        for (long long k = before / kLinesPerPause; k < counter.lines() / kLinesPerPause; ++k) context.host.Wait(kPauseMs);
    };
    // The candidates of a run are found first, so that the look-up of each
    // can be started a few candidates ahead of its turn.
    struct Candidate {
        std::size_t at;  // its "@"
        std::string_view text;
        std::uint64_t hash;
    };
    constexpr std::size_t kSlotAhead = 8, kTextAhead = 4;
    std::vector<Candidate> candidates;
    std::string_view lines;
    while (reader.NextLines(lines)) {
        candidates.clear();
        std::size_t from = 0;
        const char* base = lines.data();
        for (const void* hit = std::memchr(base, '@', lines.size()); hit;) {
            const auto at = static_cast<std::size_t>(static_cast<const char*>(hit) - base);
            const std::string_view text = AddressAround(lines, from, at);
            candidates.push_back({at, text, TextSet::Hash(text)});
            from = at + 1;
            hit = from < lines.size() ? std::memchr(base + from, '@', lines.size() - from) : nullptr;
        }
        std::size_t counted = 0;
        for (std::size_t k = 0; k < candidates.size(); ++k) {
            if (k + kSlotAhead < candidates.size()) seen.PrefetchSlot(candidates[k + kSlotAhead].hash);
            if (k + kTextAhead < candidates.size()) seen.PrefetchText(candidates[k + kTextAhead].hash);
            const Candidate& c = candidates[k];
            countTo([&] { counter.Count(lines.substr(counted, c.at - counted)); });
            counted = c.at;
            offer(c.text, c.hash);
        }
        countTo([&] { counter.Count(lines.substr(counted)); });
        context.host.Progress("addresses", reader.Position(), size, "bytes");
    }
    countTo([&] { counter.Finish(); });
    if (reader.failed()) result.readError = "The mailbox file '" + mbxPath + "' could not be read to its end.";

    result.mailboxName = MailboxNameOf(mbxPath);
    result.count = added;
    result.windowCaption = result.mailboxName + ": " + std::to_string(added) + " E-Mail Addresses";
    result.windowIcon = "hat";
    result.executeVisible = false;
    result.composeVisible = true;
    result.addressBookVisible = true;
    result.historyCaption = kAddressHistoryCaption;
    result.historyEnabled = FileExists(context.state.paths.AddressHistoryPath);
    return result;
}

}  // namespace ledgerly
