#pragma once
// What a link-mining or address-harvesting run hands to its results window:
// the entries in list order, the captions and which menu entries show.
#include <cstdint>
#include <string>
#include <vector>

namespace ledgerly {

struct MinerEntry {
    std::string text;  // what the user sees, copies and exports
    std::string tag;   // the whole link (miner) or the address (harvester)
    std::string icon;  // a key of the image list "urlI"
    bool operator==(const MinerEntry&) const = default;
};

enum class MinerMode { Links, Addresses };

struct MinerResult {
    MinerMode mode = MinerMode::Links;
    std::vector<MinerEntry> entries;
    std::string columnCaption;  // "URL - Mail-To - 12 Links", "E-Mail Addresses"
    std::string windowCaption;  // "URL Miner - In", "In: 42 E-Mail Addresses"
    std::string mailboxName;    // the mailbox file's name less its extension (Windows-1252)
    std::string windowIcon;     // "" (the window's own) or "hat" of "formI"
    std::int64_t count = 0;     // links counted (bare prefixes too) or addresses added

    // Context menu state.
    bool executeVisible = true;
    bool composeVisible = false;
    bool addressBookVisible = false;
    std::string historyCaption;  // "Add to Link &History" / "Add to Address &History"
    bool historyEnabled = false;  // false when the history file does not exist

    // Set when the mailbox file could not be read to its end; the entries
    // hold what was collected before.
    std::string readError;
};

inline constexpr const char* kLinkHistoryCaption = "Add to Link &History";
inline constexpr const char* kAddressHistoryCaption = "Add to Address &History";

// The name a results window keeps: the file name less its last four
// characters, as Windows-1252 text like the entries.
std::string MailboxNameOf(const std::string& mbxPath);

}  // namespace ledgerly
