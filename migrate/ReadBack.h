#pragma once
// The check after writing: every message an export wrote is parsed again by
// GMime, and the files embedded in it are decoded and checksummed, so that
// the report can say that what was written reads back whole.
#include <cstdint>
#include <functional>
#include <memory>
#include <string>
#include <string_view>
#include <vector>

#include "app/Result.h"

namespace ledgerly {

struct ReadBackMessage {
    std::vector<std::string> fileDigests;  // SHA-256 of each part with a Content-Disposition, depth first
    std::vector<std::string> problems;     // what the parser found wrong with the structure
};
using TakeReadBack = std::function<void(ReadBackMessage&&)>;

// An mbox file read back piece by piece while it is still being written.
class MboxReadBack {
public:
    explicit MboxReadBack(int fd);  // an open descriptor of the file, closed with this
    ~MboxReadBack();
    MboxReadBack(const MboxReadBack&) = delete;
    MboxReadBack& operator=(const MboxReadBack&) = delete;
    // The messages between two byte offsets; `from` starts a "From " line.
    Status Range(std::int64_t from, std::int64_t to, const TakeReadBack& take);

private:
    struct Stream;
    std::unique_ptr<Stream> stream_;
};

// Every message of an mbox file, in order.
Status ReadBackMbox(const std::string& path, const TakeReadBack& take);
// A file that holds one message (Maildir, EML).
Result<ReadBackMessage> ReadBackMessageFile(const std::string& path);
// One message held in memory.
Result<ReadBackMessage> ReadBackMessageBytes(std::string_view bytes);

}  // namespace ledgerly
