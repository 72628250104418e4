#pragma once
// Keeps two runs (the desktop program and a command line, or two command
// lines) from changing mailboxes of one folder at the same time: each would
// take the other's temporary files for the remains of a crash, and a run that
// saves a TOC file it read before the other run replaced the pair would undo
// that run's Offsets and Lengths. Every tool that rewrites a pair or its TOC
// file holds it from before it looks for those remains until it is done. The lock is an
// advisory lock on the folder itself, so it leaves no file behind and ends
// with the process that holds it.
#include <cstdint>
#include <string>

#include "app/Result.h"

namespace ledgerly {

// The file Windows' lock is taken on (elsewhere the folder itself is locked).
inline constexpr const char* kLockFileName = ".ledgerly-lock";

class RewriteLock {
public:
    // Fails when another run holds the folder of `anyFileInFolder`.
    static Result<RewriteLock> Acquire(const std::string& anyFileInFolder);
    RewriteLock(RewriteLock&& other) noexcept : handle_(other.handle_) { other.handle_ = kNone; }
    RewriteLock& operator=(RewriteLock&&) = delete;
    ~RewriteLock();

private:
    // A descriptor, or on Windows a HANDLE; kNone when nothing is held.
    using Handle = std::intptr_t;
    static constexpr Handle kNone = -1;
    explicit RewriteLock(Handle handle) : handle_(handle) {}
    Handle handle_ = kNone;
};

}  // namespace ledgerly
