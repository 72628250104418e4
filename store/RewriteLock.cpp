#include "store/RewriteLock.h"

#include <filesystem>

#ifndef _WIN32
#include <fcntl.h>
#include <sys/file.h>
#include <unistd.h>
#endif

namespace ledgerly {

Result<RewriteLock> RewriteLock::Acquire(const std::string& anyFileInFolder) {
#ifndef _WIN32
    std::string folder = std::filesystem::path(anyFileInFolder).parent_path().string();
    if (folder.empty()) folder = ".";
    const int fd = ::open(folder.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
    if (fd < 0) return RewriteLock(-1);  // nothing to lock against; the file checks report the folder
    if (::flock(fd, LOCK_EX | LOCK_NB) != 0) {
        ::close(fd);
        return Result<RewriteLock>::Fail("Another run is rewriting a mailbox in '" + folder +
                                         "'; try again when it has finished. Nothing was changed.");
    }
    return RewriteLock(fd);
#else
    (void)anyFileInFolder;
    return RewriteLock(-1);
#endif
}

RewriteLock::~RewriteLock() {
#ifndef _WIN32
    if (fd_ >= 0) ::close(fd_);
#endif
}

}  // namespace ledgerly
