#pragma once
// The folders and files an export writes, reached without following links:
// each folder below the destination is opened by handle, never by a path
// through a link, and each file is written under a temporary name and given
// its own name only once it is complete and on disk, so that a crash never
// leaves part of a message under a final name. Nothing is ever replaced.
#include <cstdint>
#include <memory>
#include <string>
#include <string_view>

#include "app/Result.h"

namespace ledgerly {

class OutputFolder {
public:
    // The destination, made with its parents when missing.
    static Result<OutputFolder> OpenDestination(const std::string& path);
    // A folder inside, made when missing; a link or a file of that name is refused.
    Result<OutputFolder> Folder(const std::string& name) const;
    // Whether anything at all (a link included) has this name here.
    bool Has(const std::string& name) const;
    // Removes the folder `name` inside when it is empty; false otherwise.
    bool RemoveEmptyFolder(const std::string& name) const;
    // Removes the file `name` inside (a link itself, never what it points to).
    bool RemoveFile(const std::string& name) const;
    const std::string& path() const { return path_; }  // ends in the separator
    int fd() const { return fd_ ? fd_->fd : -1; }

private:
    friend class PendingFile;
    struct Handle {
        int fd = -1;
        ~Handle();
    };
    std::shared_ptr<Handle> fd_;
    std::string path_;
};

// A file being written: a fresh temporary name until Publish, removed if the
// run ends before that.
class PendingFile {
public:
    static Result<PendingFile> Create(const OutputFolder& folder, const std::string& tempName);
    PendingFile(PendingFile&& other) noexcept;
    PendingFile& operator=(PendingFile&& other) noexcept;
    PendingFile(const PendingFile&) = delete;
    ~PendingFile();

    Status Append(std::string_view bytes);
    // The modification time, e.g. a message's arrival (Maildir readers use it).
    void SetTime(std::int64_t seconds);
    // Closes the file; with `sync` it is flushed to disk first.
    Status Finish(bool sync);
    // Gives the finished file `name` in `folder` (on the same file system);
    // fails, leaving it where it is, when that name is taken, unless
    // `replace` (then whatever has the name, a link included, is replaced).
    Status Publish(const OutputFolder& folder, const std::string& name, bool replace = false);
    const std::string& displayName() const { return display_; }
    // A new read-only descriptor of the file, until it is published; -1 when it cannot be opened.
    int OpenForReading() const;

private:
    PendingFile() = default;
    void Discard();
    int fd_ = -1;
    int dirFd_ = -1;  // the folder that holds the temporary name
    std::shared_ptr<void> keepFolder_;
    std::string temp_, display_;
    bool published_ = true;
};

// The name a file is written under until it is complete: hidden, beside
// its own, and recognisable as ours.
std::string TemporaryName(const std::string& name);

// Everything written so far on the destination's file system reaches the disk.
Status SyncFileSystem(const OutputFolder& folder);

}  // namespace ledgerly
