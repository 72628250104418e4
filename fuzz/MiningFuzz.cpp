// The link miner and the address harvester on arbitrary mailbox bytes: every
// entry is text of the file (a link: its prefix, then what followed that
// prefix on one line), no entry is listed twice, and the counts agree with
// the entries.
#include <cstdint>
#include <cstdlib>
#include <string>
#include <unordered_set>

#include "app/AppState.h"
#include "app/TextHelpers.h"
#include "fuzz/FuzzHost.h"
#include "mining/AddressHarvester.h"
#include "mining/LinkMiner.h"

using namespace ledgerly;

namespace {
std::string Folded(std::string s) {
    for (char& c : s) c = FoldCase(c);
    return s;
}
bool HasLineBreak(const std::string& s) { return s.find('\n') != std::string::npos; }
}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    static const std::string path = fuzz::ScratchPath("Mined.mbx");
    fuzz::WriteScratch(path, data, size);
    const std::string in(reinterpret_cast<const char*>(data), size);
    AppState state;
    fuzz::SilentHost host;
    ToolContext context{state, host};

    const auto links = MineLinks(context, path, AllKinds());
    if (!links || !links->readError.empty()) std::abort();
    std::unordered_set<std::string> tags;
    for (const MinerEntry& e : links->entries) {
        if (!tags.insert(Folded(e.tag)).second) std::abort();  // listed twice
        if (e.tag.size() <= e.text.size() || e.tag.compare(e.tag.size() - e.text.size(), e.text.size(), e.text) != 0) std::abort();
        if (HasLineBreak(e.tag) || in.find(e.tag.substr(1)) == std::string::npos) std::abort();
        bool known = false;
        for (const LinkKindInfo& kind : LinkKinds())
            for (const std::string& prefix : kind.prefixes)
                known = known || (e.tag.size() > prefix.size() && Folded(e.tag.substr(0, prefix.size())) == Folded(prefix));
        if (!known) std::abort();
    }
    if (links->count < static_cast<std::int64_t>(links->entries.size())) std::abort();

    const auto addresses = HarvestAddresses(context, path);
    if (!addresses || !addresses->readError.empty()) std::abort();
    std::unordered_set<std::string> seen;
    for (const MinerEntry& e : addresses->entries) {
        if (!seen.insert(e.tag).second || e.tag.find('@') == std::string::npos || e.tag == "???@???") std::abort();
        if (HasLineBreak(e.tag) || in.find(e.tag) == std::string::npos) std::abort();
        if (IsolateAddress(e.tag) != e.tag) std::abort();  // an address holds no separator
    }
    if (addresses->count != static_cast<std::int64_t>(addresses->entries.size())) std::abort();
    return 0;
}
