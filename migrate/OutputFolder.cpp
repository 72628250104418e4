#include "migrate/OutputFolder.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstdio>
#include <cstring>
#include <filesystem>

#include "app/AtomicFile.h"
#include "app/FileHelpers.h"

namespace ledgerly {
namespace {

std::string Reason() { return std::strerror(errno); }

}  // namespace

OutputFolder::Handle::~Handle() {
    if (fd >= 0) ::close(fd);
}

Result<OutputFolder> OutputFolder::OpenDestination(const std::string& path) {
    std::error_code ec;
    std::filesystem::create_directories(path, ec);
    if (ec) return Result<OutputFolder>::Fail("Cannot create the folder '" + path + "': " + ec.message());
    OutputFolder f;
    f.fd_ = std::make_shared<Handle>();
    f.fd_->fd = ::open(path.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
    if (f.fd_->fd < 0) return Result<OutputFolder>::Fail("Cannot open the folder '" + path + "': " + Reason());
    f.path_ = WithTrailingSeparator(path);
    return f;
}

Result<OutputFolder> OutputFolder::Folder(const std::string& name) const {
    if (::mkdirat(fd(), name.c_str(), 0700) != 0 && errno != EEXIST)
        return Result<OutputFolder>::Fail("Cannot create the folder '" + path_ + name + "': " + Reason());
    OutputFolder f;
    f.fd_ = std::make_shared<Handle>();
    f.fd_->fd = ::openat(fd(), name.c_str(), O_RDONLY | O_DIRECTORY | O_NOFOLLOW | O_CLOEXEC);
    if (f.fd_->fd < 0) {
        if (errno == ELOOP || errno == ENOTDIR)
            return Result<OutputFolder>::Fail("'" + path_ + name + "' is a link or a file, not a folder; it is not written into.");
        return Result<OutputFolder>::Fail("Cannot open the folder '" + path_ + name + "': " + Reason());
    }
    f.path_ = path_ + name + kPathSeparator;
    return f;
}

bool OutputFolder::Has(const std::string& name) const {
    struct stat st {};
    return ::fstatat(fd(), name.c_str(), &st, AT_SYMLINK_NOFOLLOW) == 0 || errno != ENOENT;
}

bool OutputFolder::RemoveEmptyFolder(const std::string& name) const { return ::unlinkat(fd(), name.c_str(), AT_REMOVEDIR) == 0; }

bool OutputFolder::RemoveFile(const std::string& name) const { return ::unlinkat(fd(), name.c_str(), 0) == 0; }

Result<PendingFile> PendingFile::Create(const OutputFolder& folder, const std::string& tempName) {
    PendingFile f;
    f.fd_ = ::openat(folder.fd(), tempName.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_NOFOLLOW | O_CLOEXEC, 0600);
    if (f.fd_ < 0) return Result<PendingFile>::Fail("Cannot create '" + folder.path() + tempName + "': " + Reason());
    f.dirFd_ = folder.fd();
    f.keepFolder_ = folder.fd_;
    f.temp_ = tempName;
    f.display_ = folder.path() + tempName;
    f.published_ = false;
    return f;
}

PendingFile::PendingFile(PendingFile&& other) noexcept { *this = std::move(other); }

PendingFile& PendingFile::operator=(PendingFile&& other) noexcept {
    if (this == &other) return *this;
    Discard();
    fd_ = other.fd_;
    dirFd_ = other.dirFd_;
    keepFolder_ = std::move(other.keepFolder_);
    temp_ = std::move(other.temp_);
    display_ = std::move(other.display_);
    published_ = other.published_;
    other.fd_ = -1;
    other.published_ = true;
    return *this;
}

PendingFile::~PendingFile() { Discard(); }

void PendingFile::Discard() {
    if (fd_ >= 0) ::close(fd_);
    fd_ = -1;
    if (!published_ && dirFd_ >= 0) ::unlinkat(dirFd_, temp_.c_str(), 0);
    published_ = true;
}

Status PendingFile::Append(std::string_view bytes) {
    while (!bytes.empty()) {
        const ssize_t n = ::write(fd_, bytes.data(), bytes.size());
        if (n < 0 && errno == EINTR) continue;
        if (n <= 0) return Status::Fail("Cannot write '" + display_ + "': " + Reason());
        bytes.remove_prefix(static_cast<std::size_t>(n));
    }
    return {};
}

int PendingFile::OpenForReading() const {
    if (published_ || dirFd_ < 0) return -1;
    return ::openat(dirFd_, temp_.c_str(), O_RDONLY | O_NOFOLLOW | O_CLOEXEC);
}

void PendingFile::SetTime(std::int64_t seconds) {
    if (fd_ < 0 || seconds <= 0) return;
    const struct timespec times[2] = {{static_cast<time_t>(seconds), 0}, {static_cast<time_t>(seconds), 0}};
    ::futimens(fd_, times);
}

Status PendingFile::Finish(bool sync) {
    if (fd_ < 0) return {};
    if (sync && ::fsync(fd_) != 0) return Status::Fail("Cannot write '" + display_ + "': " + Reason());
    const int fd = fd_;
    fd_ = -1;
    if (::close(fd) != 0) return Status::Fail("Cannot write '" + display_ + "': " + Reason());
    return {};
}

Status PendingFile::Publish(const OutputFolder& folder, const std::string& name, bool replace) {
    if (Status s = Finish(false); !s) return s;
    if (replace) {
        if (::renameat(dirFd_, temp_.c_str(), folder.fd(), name.c_str()) != 0)
            return Status::Fail("Cannot write '" + folder.path() + name + "': " + Reason());
    } else if (::renameat2(dirFd_, temp_.c_str(), folder.fd(), name.c_str(), RENAME_NOREPLACE) != 0) {
        // File systems without the no-replace rename: a hard link refuses a taken name too.
        if (errno != EINVAL && errno != ENOSYS) return Status::Fail("Cannot write '" + folder.path() + name + "': " + Reason());
        if (::linkat(dirFd_, temp_.c_str(), folder.fd(), name.c_str(), 0) != 0)
            return Status::Fail("Cannot write '" + folder.path() + name + "': " + Reason());
        ::unlinkat(dirFd_, temp_.c_str(), 0);
    }
    published_ = true;
    return {};
}

std::string TemporaryName(const std::string& name) { return "." + name + std::string(kTempInfix) + "part"; }

Status SyncFileSystem(const OutputFolder& folder) {
    if (::syncfs(folder.fd()) != 0) return Status::Fail("Cannot write to '" + folder.path() + "': " + Reason());
    return {};
}

}  // namespace ledgerly
