#include "app/SafeFiles.h"

#include <algorithm>
#include <cerrno>
#include <cstdio>
#include <cstring>
#include <filesystem>
#include <utility>

#ifdef _WIN32
#include <fcntl.h>
#include <io.h>
#include <windows.h>

#include "app/Encoding.h"
#else
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>
#ifdef __linux__
#include <linux/fs.h>
#include <sys/ioctl.h>
#endif
#endif

namespace ledgerly {

std::string ReasonText(int error) {
    std::string text = error == 0 ? std::string("Unknown error") : std::string(std::strerror(error));
    if (text.empty() || text.back() != '.') text += '.';
    return text;
}

std::string CannotText(std::string_view what, std::string_view path, int error) {
    return "Cannot " + std::string(what) + " '" + std::string(path) + "': " + ReasonText(error);
}

std::string JoinSentences(std::string first, std::string_view second) {
    while (!first.empty() && first.back() == ' ') first.pop_back();
    if (second.empty()) return first;
    if (first.empty()) return std::string(second);
    const char last = first.back();
    if (last != '.' && last != '!' && last != '?' && last != ':') first += '.';
    return first + " " + std::string(second);
}

namespace {

// Remembers errno before anything else can reset it.
int LastError() { return errno != 0 ? errno : EIO; }

}  // namespace

#ifndef _WIN32

namespace {

std::string KindOf(mode_t mode) {
    if (S_ISDIR(mode)) return "a folder";
    if (S_ISFIFO(mode)) return "a named pipe";
    if (S_ISCHR(mode)) return "a character device";
    if (S_ISBLK(mode)) return "a block device";
    if (S_ISSOCK(mode)) return "a socket";
    return "something other than a file";
}

// A descriptor opened without waiting (a FIFO would block an open for
// reading until a writer comes) must be a regular file; it then reads and
// writes in blocking mode again.
Status RequireRegular(int fd, const std::string& path, std::string_view what) {
    struct stat st {};
    if (::fstat(fd, &st) != 0) return Status::Fail(CannotText(what, path, LastError()));
    if (!S_ISREG(st.st_mode))
        return Status::Fail("Cannot " + std::string(what) + " '" + path + "': it is " + KindOf(st.st_mode) + ", not a regular file.");
    const int flags = ::fcntl(fd, F_GETFL);
    if (flags >= 0) ::fcntl(fd, F_SETFL, flags & ~O_NONBLOCK);
    return {};
}

}  // namespace

FileOwnership OwnershipOf(const std::string& path) {
    struct stat st {};
    FileOwnership o;
    if (::stat(path.c_str(), &st) != 0 || !S_ISREG(st.st_mode)) return o;
    o.known = true;
    o.mode = st.st_mode & 07777;
    o.uid = st.st_uid;
    o.gid = st.st_gid;
    return o;
}

bool IsRegularFile(const std::string& path) {
    struct stat st {};
    return ::stat(path.c_str(), &st) == 0 && S_ISREG(st.st_mode);
}

FileHandle::FileHandle(FileHandle&& other) noexcept
    : fd_(std::exchange(other.fd_, -1)), path_(std::move(other.path_)), shownAs_(std::move(other.shownAs_)) {}

FileHandle& FileHandle::operator=(FileHandle&& other) noexcept {
    if (this != &other) {
        if (fd_ >= 0) ::close(fd_);
        fd_ = std::exchange(other.fd_, -1);
        path_ = std::move(other.path_);
        shownAs_ = std::move(other.shownAs_);
    }
    return *this;
}

FileHandle::~FileHandle() {
    if (fd_ >= 0) ::close(fd_);
}

Result<FileHandle> FileHandle::OpenForReading(const std::string& path) {
    const int fd = ::open(path.c_str(), O_RDONLY | O_CLOEXEC | O_NONBLOCK);
    if (fd < 0) return Result<FileHandle>::Fail(CannotText("read", path, LastError()));
    FileHandle file(fd, path, {});
    if (Status s = RequireRegular(fd, path, "read"); !s) return s;
    return file;
}

Result<FileHandle> FileHandle::CreateNew(const std::string& path, const FileOwnership& like, std::string shownAs) {
    const mode_t mode = like.known ? static_cast<mode_t>(like.mode & 0777) : 0666;
    const int fd = ::open(path.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_NOFOLLOW | O_CLOEXEC, mode);
    if (fd < 0) return Result<FileHandle>::Fail(CannotText("create", shownAs.empty() ? path : shownAs, LastError()));
    FileHandle file(fd, path, std::move(shownAs));
    if (like.known) {
        // Owner and group first: changing them may clear the set-id bits.
        struct stat st {};
        if (::fstat(fd, &st) == 0 && (st.st_uid != like.uid || st.st_gid != like.gid))
            (void)::fchown(fd, like.uid, like.gid);  // allowed to root; others keep their own
        ::fchmod(fd, static_cast<mode_t>(like.mode));  // exact, whatever the umask
    }
    return file;
}

Result<FileHandle> FileHandle::OpenForAppending(const std::string& path) {
    const int fd = ::open(path.c_str(), O_WRONLY | O_APPEND | O_CREAT | O_NOFOLLOW | O_NONBLOCK | O_CLOEXEC, 0666);
    if (fd < 0) {
        const int error = LastError();
        if (error == ELOOP) return Result<FileHandle>::Fail("Cannot write '" + path + "': it is a symbolic link.");
        return Result<FileHandle>::Fail(CannotText("write", path, error));
    }
    FileHandle file(fd, path, {});
    if (Status s = RequireRegular(fd, path, "write"); !s) return s;
    return file;
}

Result<std::int64_t> FileHandle::Size() const {
    struct stat st {};
    if (::fstat(fd_, &st) != 0) return Result<std::int64_t>::Fail(CannotText("read", shown(), LastError()));
    return static_cast<std::int64_t>(st.st_size);
}

Result<std::size_t> FileHandle::ReadAt(std::int64_t offset, char* buffer, std::size_t n) const {
    std::size_t got = 0;
    while (got < n) {
        const ssize_t r = ::pread(fd_, buffer + got, n - got, static_cast<off_t>(offset + static_cast<std::int64_t>(got)));
        if (r < 0) {
            if (errno == EINTR) continue;
            return Result<std::size_t>::Fail(CannotText("read", shown(), LastError()));
        }
        if (r == 0) break;
        got += static_cast<std::size_t>(r);
    }
    return got;
}

Result<std::size_t> FileHandle::Read(char* buffer, std::size_t n) {
    for (;;) {
        const ssize_t r = ::read(fd_, buffer, n);
        if (r >= 0) return static_cast<std::size_t>(r);
        if (errno != EINTR) return Result<std::size_t>::Fail(CannotText("read", shown(), LastError()));
    }
}

Status FileHandle::Write(std::string_view bytes) {
    while (!bytes.empty()) {
        const ssize_t w = ::write(fd_, bytes.data(), bytes.size());
        if (w < 0) {
            if (errno == EINTR) continue;
            return Status::Fail(CannotText("write", shown(), LastError()));
        }
        bytes.remove_prefix(static_cast<std::size_t>(w));
        unsynced_ += static_cast<std::size_t>(w);
    }
#ifdef __linux__
    // The large files written here end with an fsync: starting the disk
    // writes as a file grows lets them run while the rest is made, instead
    // of all of them waiting for the end.
    if (unsynced_ >= kWriteBehind) {
        (void)::sync_file_range(fd_, 0, 0, SYNC_FILE_RANGE_WRITE);
        unsynced_ = 0;
    }
#endif
    return {};
}

Status FileHandle::Sync() {
    if (::fsync(fd_) != 0) return Status::Fail(CannotText("write", shown(), LastError()));
    return {};
}

void FileHandle::DropCachedPages() const {
    (void)::posix_fadvise(fd_, 0, 0, POSIX_FADV_DONTNEED);
}

Status FileHandle::Close() {
    if (fd_ < 0) return {};
    const int fd = std::exchange(fd_, -1);
    if (::close(fd) != 0 && errno != EINTR) return Status::Fail(CannotText("write", shown(), LastError()));
    return {};
}

Status RenameFile(const std::string& from, const std::string& to, std::string_view shownAs, std::string_view verb) {
    if (::rename(from.c_str(), to.c_str()) != 0) return Status::Fail(CannotText(verb, shownAs.empty() ? to : shownAs, LastError()));
    return {};
}

Status RenameWithoutReplacing(const std::string& from, const std::string& to) {
#ifdef RENAME_NOREPLACE
    if (::renameat2(AT_FDCWD, from.c_str(), AT_FDCWD, to.c_str(), RENAME_NOREPLACE) == 0) return {};
    if (errno != EINVAL && errno != ENOSYS) return Status::Fail(CannotText("create", to, LastError()));
#endif
    // A file system without that rename: a second name, then the first one goes.
    if (::link(from.c_str(), to.c_str()) == 0) {
        ::unlink(from.c_str());
        return {};
    }
    if (errno == EEXIST) return Status::Fail(CannotText("create", to, EEXIST));
    struct stat st {};
    if (::lstat(to.c_str(), &st) == 0) return Status::Fail(CannotText("create", to, EEXIST));
    return RenameFile(from, to);
}

Status RemoveFile(const std::string& path) {
    if (::unlink(path.c_str()) == 0 || errno == ENOENT) return {};
    return Status::Fail(CannotText("delete", path, LastError()));
}

void SyncFolderOf(const std::string& path) {
    std::string folder = std::filesystem::path(path).parent_path().string();  // POSIX only: bytes as they are
    if (folder.empty()) folder = ".";
    const int fd = ::open(folder.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
    if (fd < 0) return;
    ::fsync(fd);
    ::close(fd);
}

std::string ReplaceBlocker(const std::string& path) {
#ifdef __linux__
    auto flagsOf = [](const std::string& p, int extra) -> int {
        const int fd = ::open(p.c_str(), O_RDONLY | O_NONBLOCK | O_CLOEXEC | extra);
        if (fd < 0) return 0;
        int attributes = 0;
        if (::ioctl(fd, FS_IOC_GETFLAGS, &attributes) != 0) attributes = 0;
        ::close(fd);
        return attributes;
    };
    const int own = flagsOf(path, O_NOFOLLOW);
    if (own & FS_IMMUTABLE_FL) return "it is marked immutable";
    if (own & FS_APPEND_FL) return "it is marked append-only";
    std::string folder = std::filesystem::path(path).parent_path().string();
    const int folderFlags = flagsOf(folder.empty() ? "." : folder, O_DIRECTORY);
    if (folderFlags & (FS_IMMUTABLE_FL | FS_APPEND_FL)) return "its folder is marked immutable or append-only";
#else
    (void)path;
#endif
    return {};
}

#else  // _WIN32: the same contract through the Win32 calls, names as UTF-16.

namespace {

// The C library's number for a Win32 error, so that messages read as they do elsewhere.
int ErrnoOf(DWORD error) {
    switch (error) {
    case ERROR_FILE_NOT_FOUND:
    case ERROR_PATH_NOT_FOUND:
    case ERROR_INVALID_NAME:
    case ERROR_BAD_NETPATH:
        return ENOENT;
    case ERROR_ACCESS_DENIED:
    case ERROR_SHARING_VIOLATION:
    case ERROR_LOCK_VIOLATION:
    case ERROR_WRITE_PROTECT:
        return EACCES;
    case ERROR_FILE_EXISTS:
    case ERROR_ALREADY_EXISTS:
        return EEXIST;
    case ERROR_DISK_FULL:
    case ERROR_HANDLE_DISK_FULL:
        return ENOSPC;
    case ERROR_NOT_SAME_DEVICE:
        return EXDEV;
    case ERROR_DIRECTORY:
        return ENOTDIR;
    default:
        return EIO;
    }
}
int LastWinError() { return ErrnoOf(::GetLastError()); }

HANDLE OsHandle(int fd) { return reinterpret_cast<HANDLE>(::_get_osfhandle(fd)); }

constexpr DWORD kShareAll = FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE;

// What an open handle is, when it is not a plain file on a disk: NUL, CON, a
// pipe, a folder; with `noLink`, a symbolic link or junction opened as itself.
std::string NotRegular(HANDLE h, bool noLink) {
    const DWORD type = ::GetFileType(h);
    if (type == FILE_TYPE_PIPE) return "a named pipe";
    if (type == FILE_TYPE_CHAR) return "a character device";
    if (type != FILE_TYPE_DISK) return "something other than a file";
    BY_HANDLE_FILE_INFORMATION info {};
    if (!::GetFileInformationByHandle(h, &info)) return "something other than a file";
    if (noLink && (info.dwFileAttributes & FILE_ATTRIBUTE_REPARSE_POINT)) return "a symbolic link";
    if (info.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) return "a folder";
    return {};
}

// The handle as a descriptor of the C run-time, which then owns it.
Result<int> Adopt(HANDLE h, int flags, const std::string& what, const std::string& shown) {
    const int fd = ::_open_osfhandle(reinterpret_cast<intptr_t>(h), flags | _O_BINARY);
    if (fd < 0) {
        ::CloseHandle(h);
        return Result<int>::Fail(CannotText(what, shown, EMFILE));
    }
    return fd;
}

}  // namespace

FileOwnership OwnershipOf(const std::string& path) {
    // No owner or permission bits to carry over: a new file takes the
    // folder's access list, as the file beside it did.
    FileOwnership o;
    o.known = IsRegularFile(path);
    o.mode = 0666;
    return o;
}

bool IsRegularFile(const std::string& path) {
    const HANDLE h = ::CreateFileW(Wide(path).c_str(), 0, kShareAll, nullptr, OPEN_EXISTING, FILE_FLAG_BACKUP_SEMANTICS, nullptr);
    if (h == INVALID_HANDLE_VALUE) return false;
    const bool regular = NotRegular(h, false).empty();
    ::CloseHandle(h);
    return regular;
}

FileHandle::FileHandle(FileHandle&& other) noexcept
    : fd_(std::exchange(other.fd_, -1)), path_(std::move(other.path_)), shownAs_(std::move(other.shownAs_)) {}
FileHandle& FileHandle::operator=(FileHandle&& other) noexcept {
    if (this != &other) {
        if (fd_ >= 0) ::_close(fd_);
        fd_ = std::exchange(other.fd_, -1);
        path_ = std::move(other.path_);
        shownAs_ = std::move(other.shownAs_);
    }
    return *this;
}
FileHandle::~FileHandle() {
    if (fd_ >= 0) ::_close(fd_);
}

// Files are opened sharing reading, writing and deleting, so that a pair
// being read can still be renamed over, as the commit does.
Result<FileHandle> FileHandle::OpenForReading(const std::string& path) {
    const HANDLE h = ::CreateFileW(Wide(path).c_str(), GENERIC_READ, kShareAll, nullptr, OPEN_EXISTING,
                                   FILE_ATTRIBUTE_NORMAL | FILE_FLAG_BACKUP_SEMANTICS, nullptr);
    if (h == INVALID_HANDLE_VALUE) return Result<FileHandle>::Fail(CannotText("read", path, LastWinError()));
    if (const std::string kind = NotRegular(h, false); !kind.empty()) {
        ::CloseHandle(h);
        return Result<FileHandle>::Fail("Cannot read '" + path + "': it is " + kind + ", not a regular file.");
    }
    auto fd = Adopt(h, _O_RDONLY, "read", path);
    if (!fd) return fd.status();
    return FileHandle(*fd, path, {});
}

Result<FileHandle> FileHandle::CreateNew(const std::string& path, const FileOwnership&, std::string shownAs) {
    // CREATE_NEW fails on any name that is taken, a link's included.
    const HANDLE h = ::CreateFileW(Wide(path).c_str(), GENERIC_WRITE, kShareAll, nullptr, CREATE_NEW, FILE_ATTRIBUTE_NORMAL, nullptr);
    if (h == INVALID_HANDLE_VALUE) return Result<FileHandle>::Fail(CannotText("create", shownAs.empty() ? path : shownAs, LastWinError()));
    auto fd = Adopt(h, _O_WRONLY, "create", shownAs.empty() ? path : shownAs);
    if (!fd) return fd.status();
    return FileHandle(*fd, path, std::move(shownAs));
}

Result<FileHandle> FileHandle::OpenForAppending(const std::string& path) {
    // A link at the name is opened as itself, and refused.
    const HANDLE h = ::CreateFileW(Wide(path).c_str(), FILE_APPEND_DATA | SYNCHRONIZE | FILE_READ_ATTRIBUTES, kShareAll, nullptr, OPEN_ALWAYS,
                                   FILE_ATTRIBUTE_NORMAL | FILE_FLAG_OPEN_REPARSE_POINT, nullptr);
    if (h == INVALID_HANDLE_VALUE) return Result<FileHandle>::Fail(CannotText("write", path, LastWinError()));
    if (const std::string kind = NotRegular(h, true); !kind.empty()) {
        ::CloseHandle(h);
        return Result<FileHandle>::Fail("Cannot write '" + path + "': it is " + kind + (kind == "a symbolic link" ? "." : ", not a regular file."));
    }
    auto fd = Adopt(h, _O_WRONLY | _O_APPEND, "write", path);
    if (!fd) return fd.status();
    return FileHandle(*fd, path, {});
}

Result<std::int64_t> FileHandle::Size() const {
    LARGE_INTEGER size {};
    if (!::GetFileSizeEx(OsHandle(fd_), &size)) return Result<std::int64_t>::Fail(CannotText("read", shown(), LastWinError()));
    return static_cast<std::int64_t>(size.QuadPart);
}

Result<std::size_t> FileHandle::ReadAt(std::int64_t offset, char* buffer, std::size_t n) const {
    // Positioned reads, as pread: the position Read goes on from is put back.
    const __int64 position = ::_lseeki64(fd_, 0, SEEK_CUR);
    struct Restore {
        int fd;
        __int64 at;
        ~Restore() { if (at >= 0) ::_lseeki64(fd, at, SEEK_SET); }
    } restore{fd_, position};
    std::size_t got = 0;
    while (got < n) {
        OVERLAPPED at {};
        const std::uint64_t pos = static_cast<std::uint64_t>(offset) + got;
        at.Offset = static_cast<DWORD>(pos);
        at.OffsetHigh = static_cast<DWORD>(pos >> 32);
        DWORD r = 0;
        if (!::ReadFile(OsHandle(fd_), buffer + got, static_cast<DWORD>(std::min<std::size_t>(n - got, 1u << 30)), &r, &at)) {
            if (::GetLastError() == ERROR_HANDLE_EOF) break;
            return Result<std::size_t>::Fail(CannotText("read", shown(), LastWinError()));
        }
        if (r == 0) break;
        got += r;
    }
    return got;
}

Result<std::size_t> FileHandle::Read(char* buffer, std::size_t n) {
    const int r = ::_read(fd_, buffer, static_cast<unsigned>(std::min<std::size_t>(n, 1u << 30)));
    if (r < 0) return Result<std::size_t>::Fail(CannotText("read", shown(), LastError()));
    return static_cast<std::size_t>(r);
}

Status FileHandle::Write(std::string_view bytes) {
    while (!bytes.empty()) {
        const int w = ::_write(fd_, bytes.data(), static_cast<unsigned>(std::min<std::size_t>(bytes.size(), 1u << 30)));
        if (w < 0) return Status::Fail(CannotText("write", shown(), LastError()));
        bytes.remove_prefix(static_cast<std::size_t>(w));
    }
    return {};
}

Status FileHandle::Sync() {
    if (!::FlushFileBuffers(OsHandle(fd_))) return Status::Fail(CannotText("write", shown(), LastWinError()));
    return {};
}

void FileHandle::DropCachedPages() const {}

Status FileHandle::Close() {
    if (fd_ < 0) return {};
    if (::_close(std::exchange(fd_, -1)) != 0) return Status::Fail(CannotText("write", shown(), LastError()));
    return {};
}

Status RenameFile(const std::string& from, const std::string& to, std::string_view shownAs, std::string_view verb) {
    if (!::MoveFileExW(Wide(from).c_str(), Wide(to).c_str(), MOVEFILE_REPLACE_EXISTING | MOVEFILE_WRITE_THROUGH))
        return Status::Fail(CannotText(verb, shownAs.empty() ? to : shownAs, LastWinError()));
    return {};
}

Status RenameWithoutReplacing(const std::string& from, const std::string& to) {
    if (!::MoveFileExW(Wide(from).c_str(), Wide(to).c_str(), MOVEFILE_WRITE_THROUGH)) return Status::Fail(CannotText("create", to, LastWinError()));
    return {};
}

Status RemoveFile(const std::string& path) {
    if (::DeleteFileW(Wide(path).c_str())) return {};
    const DWORD error = ::GetLastError();
    if (error == ERROR_FILE_NOT_FOUND || error == ERROR_PATH_NOT_FOUND) return {};
    return Status::Fail(CannotText("delete", path, ErrnoOf(error)));
}

void SyncFolderOf(const std::string&) {}  // MOVEFILE_WRITE_THROUGH makes each rename durable

std::string ReplaceBlocker(const std::string& path) {
    const DWORD attributes = ::GetFileAttributesW(Wide(path).c_str());
    if (attributes != INVALID_FILE_ATTRIBUTES && (attributes & FILE_ATTRIBUTE_READONLY)) return "it is read-only";
    return {};
}

#endif

namespace {
inline std::uint64_t Mixed(std::uint64_t state, std::uint64_t word) {
    state ^= word;
    return (state << 29 | state >> 35) * 0xBF58476D1CE4E5B9ull;
}
}  // namespace

void ContentHash::Mix(std::uint64_t word) { state_ = Mixed(state_, word); }

void ContentHash::Add(std::string_view bytes) {
    length_ += bytes.size();
    const char* p = bytes.data();
    std::size_t n = bytes.size();
    while (pendingBytes_ > 0 && n > 0) {
        pending_ |= static_cast<std::uint64_t>(static_cast<unsigned char>(*p++)) << (8 * pendingBytes_);
        --n;
        if (++pendingBytes_ == 8) {
            Mix(pending_);
            pending_ = 0;
            pendingBytes_ = 0;
        }
    }
    // The state stays in a register: the chain of multiplications is what
    // bounds the speed, a store and load of the member per word doubled it.
    std::uint64_t state = state_;
    for (; n >= 8; p += 8, n -= 8) {
        std::uint64_t word = 0;
        for (int i = 7; i >= 0; --i) word = (word << 8) | static_cast<unsigned char>(p[i]);
        state = Mixed(state, word);
    }
    state_ = state;
    for (; n > 0; --n) pending_ |= static_cast<std::uint64_t>(static_cast<unsigned char>(*p++)) << (8 * pendingBytes_++);
}

std::uint64_t ContentHash::Value() const {
    ContentHash copy = *this;
    copy.Mix(copy.pending_ ^ (static_cast<std::uint64_t>(copy.pendingBytes_) << 59));
    std::uint64_t z = copy.state_ ^ copy.length_;
    z = (z ^ (z >> 30)) * 0xBF58476D1CE4E5B9ull;
    z = (z ^ (z >> 27)) * 0x94D049BB133111EBull;
    return z ^ (z >> 31);
}

Result<FileDigest> DigestOfFile(const std::string& path) {
    auto file = FileHandle::OpenForReading(path);
    if (!file) return file.status();
    ContentHash hash;
    FileDigest digest;
    std::string piece(std::size_t{1} << 20, '\0');
    for (;;) {
        auto got = file->Read(piece.data(), piece.size());
        if (!got) return got.status();
        if (*got == 0) break;
        hash.Add(std::string_view(piece.data(), *got));
        digest.size += static_cast<std::int64_t>(*got);
    }
    digest.hash = hash.Value();
    return digest;
}

}  // namespace ledgerly
