#include "mining/AddressHarvester.h"

#include <cstring>

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

constexpr std::string_view kDelimiterAddress = "???@???";
constexpr int kLinesPerPause = 100;
constexpr int kPauseMs = 10;

// The address whose "@" stands at `at`; its left part begins after the last
// separator in [from, at), its right part ends before the first separator
// after `at`.
std::string_view AddressAround(std::string_view line, std::size_t from, std::size_t at) {
    std::size_t left = at;
    while (left > from && !kIsSeparator(line[left - 1])) --left;
    std::size_t right = at + 1;
    while (right < line.size() && !kIsSeparator(line[right])) ++right;
    return line.substr(left, right - left);
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

    auto offer = [&](std::string_view candidate) {
        if (candidate.size() < 2 || candidate == kDelimiterAddress) return;
        if (!seen.Insert(candidate)) return;
        result.entries.push_back(MinerEntry{std::string(candidate), std::string(candidate), "e_mail"});
        ++added;
        context.host.Status(std::to_string(added));
    };

    LineReader reader(mbxPath);
    if (!reader.opened()) result.readError = "The mailbox file '" + mbxPath + "' cannot be opened.";
    std::string_view line;
    long long lines = 0;
    while (reader.Next(line)) {
        std::size_t from = 0;
        const char* base = line.data();
        const void* hit = line.empty() ? nullptr : std::memchr(base, '@', line.size());
        while (hit) {
            const std::size_t at = static_cast<std::size_t>(static_cast<const char*>(hit) - base);
            offer(AddressAround(line, from, at));
            from = at + 1;
            hit = from < line.size() ? std::memchr(base + from, '@', line.size() - from) : nullptr;
        }
        if (++lines % kLinesPerPause == 0) context.host.Wait(kPauseMs);
    }
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
