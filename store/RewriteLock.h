#pragma once
// Keeps two runs (the desktop program and a command line, or two command
// lines) from changing mailboxes of one folder at the same time: each would
// take the other's temporary files for the remains of a crash, and a run that
// saves a TOC file it read before the other run replaced the pair would undo
// that run's Offsets and Lengths. Every tool that rewrites a pair or its TOC
// file holds it from before it looks for those remains until it is done. The lock is an
// advisory lock on the folder itself, so it leaves no file behind and ends
// with the process that holds it.
#include <string>

#include "app/Result.h"

namespace ledgerly {

class RewriteLock {
public:
    // Fails when another run holds the folder of `anyFileInFolder`.
    static Result<RewriteLock> Acquire(const std::string& anyFileInFolder);
    RewriteLock(RewriteLock&& other) noexcept : fd_(other.fd_) { other.fd_ = -1; }
    RewriteLock& operator=(RewriteLock&&) = delete;
    ~RewriteLock();

private:
    explicit RewriteLock(int fd) : fd_(fd) {}
    int fd_ = -1;
};

}  // namespace ledgerly
