#include "store/RewriteLock.h"

#include <filesystem>

#ifdef _WIN32
#include <windows.h>

#include "app/Encoding.h"
#else
#include <fcntl.h>
#include <sys/file.h>
#include <unistd.h>
#endif

#include "app/FileHelpers.h"

namespace ledgerly {
namespace {

std::string FolderOf(const std::string& anyFileInFolder) {
    std::string folder = PathText(FsPath(anyFileInFolder).parent_path());
    return folder.empty() ? std::string(".") : folder;
}

std::string BusyMessage(const std::string& folder) {
    return "Another run is rewriting a mailbox in '" + folder + "'; try again when it has finished. Nothing was changed.";
}

}  // namespace

#ifdef _WIN32

Result<RewriteLock> RewriteLock::Acquire(const std::string& anyFileInFolder) {
    const std::string folder = FolderOf(anyFileInFolder);
    // Windows locks byte ranges of files, not folders: the lock is taken on a
    // file in the folder that the system deletes when the last run holding
    // it ends, however it ends. Every run opens it sharing everything, so
    // only the lock itself keeps a second run out.
    const std::wstring lockFile = Wide(WithTrailingSeparator(folder) + kLockFileName);
    HANDLE h = ::CreateFileW(lockFile.c_str(), GENERIC_READ | GENERIC_WRITE, FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE,
                             nullptr, OPEN_ALWAYS, FILE_ATTRIBUTE_HIDDEN | FILE_FLAG_DELETE_ON_CLOSE, nullptr);
    if (h == INVALID_HANDLE_VALUE) return RewriteLock(kNone);  // nothing to lock against; the file checks report the folder
    OVERLAPPED at{};
    if (!::LockFileEx(h, LOCKFILE_EXCLUSIVE_LOCK | LOCKFILE_FAIL_IMMEDIATELY, 0, 1, 0, &at)) {
        const DWORD error = ::GetLastError();
        ::CloseHandle(h);
        if (error == ERROR_LOCK_VIOLATION || error == ERROR_IO_PENDING) return Result<RewriteLock>::Fail(BusyMessage(folder));
        return RewriteLock(kNone);  // a file system without locks: as elsewhere, nothing is held
    }
    return RewriteLock(reinterpret_cast<Handle>(h));
}

RewriteLock::~RewriteLock() {
    if (handle_ != kNone) ::CloseHandle(reinterpret_cast<HANDLE>(handle_));  // closing the handle releases the lock
}

#else

Result<RewriteLock> RewriteLock::Acquire(const std::string& anyFileInFolder) {
    const std::string folder = FolderOf(anyFileInFolder);
    const int fd = ::open(folder.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
    if (fd < 0) return RewriteLock(kNone);  // nothing to lock against; the file checks report the folder
    if (::flock(fd, LOCK_EX | LOCK_NB) != 0) {
        ::close(fd);
        return Result<RewriteLock>::Fail(BusyMessage(folder));
    }
    return RewriteLock(fd);
}

RewriteLock::~RewriteLock() {
    if (handle_ != kNone) ::close(static_cast<int>(handle_));
}

#endif

}  // namespace ledgerly
