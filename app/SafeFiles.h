#pragma once
// The file-system calls on which the promise to lose no mail rests, in one
// place: files are read only when they are regular files (checked on the
// opened descriptor, so a FIFO or a link to a device is refused at once),
// created without following links and with the mode and owner of the file
// they stand beside, written and flushed with failures that say why, and
// renamed without replacing what must not be replaced. Everything that
// writes beside a mailbox pair goes through these calls.
#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>

#include "app/Result.h"

namespace ledgerly {

// The system's reason for `error` as a sentence: "No space left on device."
std::string ReasonText(int error);
// "Cannot write 'In.mbx': No space left on device."
std::string CannotText(std::string_view what, std::string_view path, int error);
// The two sentences joined by one space; the first gets its full stop when it lacks one.
std::string JoinSentences(std::string first, std::string_view second);

// The mode, owner and group a new file takes from the file it stands beside.
struct FileOwnership {
    bool known = false;
    std::uint32_t mode = 0;  // permission bits only
    std::uint32_t uid = 0, gid = 0;
};
FileOwnership OwnershipOf(const std::string& path);

// Whether `path` is a regular file or a link to one.
bool IsRegularFile(const std::string& path);

// An open file, closed on destruction. Messages name the file as the user
// knows it (`shownAs`, a pair file rather than its staged copy).
class FileHandle {
public:
    FileHandle() = default;
    FileHandle(FileHandle&& other) noexcept;
    FileHandle& operator=(FileHandle&& other) noexcept;
    FileHandle(const FileHandle&) = delete;
    FileHandle& operator=(const FileHandle&) = delete;
    ~FileHandle();

    // Only a regular file; anything else is refused at once with its kind.
    static Result<FileHandle> OpenForReading(const std::string& path);
    // A new file: fails when anything, a link included, has the name. It
    // takes `like`'s mode, and its owner and group where the system allows.
    static Result<FileHandle> CreateNew(const std::string& path, const FileOwnership& like, std::string shownAs = {});
    // Opens or creates a file for appending without following a link at
    // its name; refuses what is not a regular file.
    static Result<FileHandle> OpenForAppending(const std::string& path);

    bool IsOpen() const { return fd_ >= 0; }
    const std::string& path() const { return path_; }
    Result<std::int64_t> Size() const;
    // Up to `n` bytes from `offset`; fewer only at the end of the file.
    Result<std::size_t> ReadAt(std::int64_t offset, char* buffer, std::size_t n) const;
    // The next up to `n` bytes; 0 at the end of the file.
    Result<std::size_t> Read(char* buffer, std::size_t n);
    Status Write(std::string_view bytes);
    Status Sync();   // to disk
    // The file's bytes are on disk and will not be read again soon: the
    // memory that caches them may go to other files at once.
    void DropCachedPages() const;
    Status Close();  // a failure to close is a failure to write

private:
    FileHandle(int fd, std::string path, std::string shownAs) : fd_(fd), path_(std::move(path)), shownAs_(std::move(shownAs)) {}
    const std::string& shown() const { return shownAs_.empty() ? path_ : shownAs_; }
    static constexpr std::size_t kWriteBehind = std::size_t{8} << 20;
    int fd_ = -1;
    std::string path_, shownAs_;
    std::size_t unsynced_ = 0;  // written since the disk writes were last started
};

// rename(2): `to` is replaced when it exists. A failure reads "Cannot
// <verb> '<shownAs>': <why>." (`shownAs` defaults to `to`).
Status RenameFile(const std::string& from, const std::string& to, std::string_view shownAs = {}, std::string_view verb = "replace");
// Gives `from` the name `to` only when nothing has that name.
Status RenameWithoutReplacing(const std::string& from, const std::string& to);
// Removes a file (never a folder); a file that is not there is no failure.
Status RemoveFile(const std::string& path);
// Makes the renames and removals in the folder of `path` durable.
void SyncFolderOf(const std::string& path);
// Why `path` can be neither renamed nor removed (marked immutable or
// append-only); empty when nothing is known against it.
std::string ReplaceBlocker(const std::string& path);

// A fast checksum of a byte stream, fed in pieces of any size: it tells a
// complete staged file from a truncated or foreign one. Not cryptographic.
class ContentHash {
public:
    void Add(std::string_view bytes);
    std::uint64_t Value() const;

private:
    void Mix(std::uint64_t word);
    std::uint64_t state_ = 0x9E3779B97F4A7C15ull;
    std::uint64_t pending_ = 0;  // bytes that do not fill a word yet
    int pendingBytes_ = 0;
    std::uint64_t length_ = 0;
};
// The checksum and size of a file's bytes.
struct FileDigest {
    std::int64_t size = 0;
    std::uint64_t hash = 0;
    bool operator==(const FileDigest&) const = default;
};
Result<FileDigest> DigestOfFile(const std::string& path);

}  // namespace ledgerly
