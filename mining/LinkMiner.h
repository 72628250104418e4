#pragma once
// The link miner: every distinct link of the chosen kinds in a mailbox file.
#include <array>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "app/Host.h"
#include "mining/MinerResult.h"

namespace ledgerly {

enum class LinkKind { EMail, Web, Files, Ftp, Telnet, Usenet, Ph, Finger, Rtsp, EudoraOptions };
inline constexpr std::size_t kLinkKindCount = 10;

struct LinkKindInfo {
    LinkKind kind;
    const char* name;           // the command line's name: "mailto", "web", ...
    const char* columnCaption;  // "Mail-To", "HTTP", ...
    std::vector<std::string> prefixes;  // in scan order
    const char* iconKey;        // "e_mail", "web", ...
};

// The ten kinds in scan order.
const std::array<LinkKindInfo, kLinkKindCount>& LinkKinds();
// A kind by its name; "e-mail" is a second name of "mailto".
std::optional<LinkKind> LinkKindByName(std::string_view name);

// One switch per kind, indexed by LinkKind.
using LinkSwitches = std::array<bool, kLinkKindCount>;
LinkSwitches OnlyKind(LinkKind kind);
LinkSwitches AllKinds();

// The candidate up to (not including) the earliest terminator character.
std::string CutLinkAtTerminator(std::string_view candidate);

// Reads the mailbox file once and collects the links of every switched-on
// kind. Entries come kind by kind in table order, within a kind prefix by
// prefix, within a prefix in the order of the file. The status bar shows the
// running count ("17 entries"). nullopt when the file does not exist.
std::optional<MinerResult> MineLinks(ToolContext& context, const std::string& mbxPath, const LinkSwitches& switches);

}  // namespace ledgerly
