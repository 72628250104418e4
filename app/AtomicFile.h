#pragma once
// A file replaced without ever being half-written: the new bytes go to a
// temporary file beside the target, are flushed to disk, and the temporary
// file is then renamed over the target. Until Commit the target is untouched;
// a run that fails or throws removes its temporary file on destruction.
// Written in pieces, so a large file never has to be held in memory. A
// mailbox pair is never written this way: its two files change together
// through PairTransaction.
#include <cstdint>
#include <string>
#include <string_view>

#include "app/Result.h"
#include "app/SafeFiles.h"

namespace ledgerly {

// Temporary names are the target's name plus this and eight hex digits.
inline constexpr std::string_view kTempInfix = ".ledgerly-";

class AtomicFile {
public:
    // The new file takes the target's mode and owner. Messages name the target.
    static Result<AtomicFile> Create(const std::string& target);
    AtomicFile(AtomicFile&& other) noexcept;
    AtomicFile& operator=(AtomicFile&&) = delete;
    ~AtomicFile();

    Status Append(std::string_view bytes);
    std::int64_t Size() const { return size_; }
    // Flushes the temporary file to disk and renames it over the target;
    // with `replace` false, fails instead when the target exists.
    Status Commit(bool replace = true);

private:
    AtomicFile() = default;
    std::string target_, temp_;
    FileHandle file_;
    std::int64_t size_ = 0;
    bool done_ = false;  // renamed, or moved from: never removed
};

}  // namespace ledgerly
