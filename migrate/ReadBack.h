#pragma once
// The check after writing: every message an export wrote is parsed again by
// GMime, and the files embedded in it are decoded and checksummed, so that
// the report can say that what was written reads back whole.
#include <functional>
#include <string>
#include <vector>

#include "app/Result.h"

namespace ledgerly {

struct ReadBackMessage {
    std::vector<std::string> fileDigests;  // SHA-256 of each part with a Content-Disposition, depth first
    std::vector<std::string> problems;     // what the parser found wrong with the structure
};

// Every message of an mbox file, in order, handed to `take`.
Status ReadBackMbox(const std::string& path, const std::function<void(ReadBackMessage&&)>& take);
// A file that holds one message (Maildir, EML).
Result<ReadBackMessage> ReadBackMessageFile(const std::string& path);

}  // namespace ledgerly
