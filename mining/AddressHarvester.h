#pragma once
// The address harvester: every distinct e-mail address in a mailbox file.
#include <optional>
#include <string>
#include <string_view>

#include "app/Host.h"
#include "mining/MinerResult.h"

namespace ledgerly {

// The address around the first "@" of the text: what lies between the last
// separator before it and the first separator after it.
std::string IsolateAddress(std::string_view text);

// Reads the mailbox file once; one candidate per "@" of each line. The status
// bar shows the number of addresses added; after every 100th line the host
// pauses 10 ms. nullopt when the file does not exist.
std::optional<MinerResult> HarvestAddresses(ToolContext& context, const std::string& mbxPath);

}  // namespace ledgerly
