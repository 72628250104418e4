#pragma once
// A file replaced without ever being half-written: the new bytes go to a
// temporary file beside the target, are flushed to disk, and the temporary
// file is then renamed over the target. Until Commit the target is untouched;
// a run that fails or throws removes its temporary file on destruction.
// Written in pieces, so a large file never has to be held in memory.
#include <cstdint>
#include <cstdio>
#include <memory>
#include <string>
#include <string_view>

#include "app/Result.h"

namespace ledgerly {

// Temporary names are the target's name plus this and eight hex digits.
inline constexpr std::string_view kTempInfix = ".ledgerly-";

class AtomicFile {
public:
    // `temp` empty: a fresh name beside the target. A given name is replaced
    // when it exists. The new file takes the target's permissions.
    static Result<AtomicFile> Create(const std::string& target, const std::string& temp = {});
    AtomicFile(AtomicFile&& other) noexcept;
    AtomicFile& operator=(AtomicFile&&) = delete;
    ~AtomicFile();

    Status Append(std::string_view bytes);
    std::int64_t Size() const { return size_; }
    const std::string& TempPath() const { return temp_; }

    // Flushes the temporary file to disk and closes it; it then stays,
    // complete, under its temporary name for the caller to rename.
    Status Close();
    // Close, then the rename over the target.
    Status Commit();

private:
    AtomicFile() = default;
    struct Closer { void operator()(std::FILE* f) const { if (f) std::fclose(f); } };
    std::string target_, temp_;
    std::unique_ptr<std::FILE, Closer> file_;
    std::int64_t size_ = 0;
    bool keep_ = false;  // closed whole or renamed: never removed
};

}  // namespace ledgerly
