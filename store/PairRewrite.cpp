#include "store/PairRewrite.h"

#include <cerrno>
#include <cstring>
#include <filesystem>

#ifndef _WIN32
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>
#endif

#include "app/AtomicFile.h"
#include "app/FileHelpers.h"

namespace ledgerly {
namespace {

std::string NewName(const std::string& path) { return path + std::string(kNewSuffix); }

Status SyncFile(std::FILE* f, const std::string& path) {
    if (std::fflush(f) != 0) return Status::Fail("Cannot write '" + path + "': " + std::strerror(errno));
#ifndef _WIN32
    if (::fsync(::fileno(f)) != 0) return Status::Fail("Cannot write '" + path + "': " + std::strerror(errno));
#endif
    return {};
}

void SyncFolder(const std::string& anyFileInIt) {
#ifndef _WIN32
    const std::string folder = std::filesystem::path(anyFileInIt).parent_path().string();
    const int fd = ::open(folder.empty() ? "." : folder.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
    if (fd >= 0) { ::fsync(fd); ::close(fd); }
#else
    (void)anyFileInIt;
#endif
}

void CopyMode(const std::string& from, const std::string& to) {
#ifndef _WIN32
    struct stat st {};
    if (::stat(from.c_str(), &st) == 0) ::chmod(to.c_str(), st.st_mode & 07777);
#else
    (void)from; (void)to;
#endif
}

}  // namespace

Result<PairRewrite> PairRewrite::Begin(const MailboxPair& pair) {
    PairRewrite rw;
    rw.pair_ = pair;
    const std::string newMbx = NewName(pair.mbx());
    std::error_code ec;
    std::filesystem::remove(NewName(pair.toc()), ec);
    rw.mbx_.reset(std::fopen(newMbx.c_str(), "wb"));
    if (!rw.mbx_) return Result<PairRewrite>::Fail("Cannot create '" + newMbx + "': " + std::strerror(errno));
    return rw;
}

PairRewrite::PairRewrite(PairRewrite&& other) noexcept
    : pair_(std::move(other.pair_)), mbx_(std::move(other.mbx_)), size_(other.size_), done_(other.done_),
      mailboxReplaced_(other.mailboxReplaced_) {
    other.done_ = true;
}

PairRewrite::~PairRewrite() {
    if (done_) return;
    mbx_.reset();
    std::error_code ec;
    std::filesystem::remove(NewName(pair_.mbx()), ec);
    std::filesystem::remove(NewName(pair_.toc()), ec);
}

Status PairRewrite::Append(std::string_view bytes) {
    if (!mbx_) return Status::Fail("The rewrite of '" + pair_.mbx() + "' is closed.");
    if (!bytes.empty() && std::fwrite(bytes.data(), 1, bytes.size(), mbx_.get()) != bytes.size())
        return Status::Fail("Cannot write '" + NewName(pair_.mbx()) + "': " + std::strerror(errno));
    size_ += static_cast<std::int64_t>(bytes.size());
    return {};
}

Status PairRewrite::Commit(std::string_view tocBytes) {
    const std::string newMbx = NewName(pair_.mbx()), newToc = NewName(pair_.toc());
    if (!mbx_) return Status::Fail("The rewrite of '" + pair_.mbx() + "' is closed.");
    if (Status s = SyncFile(mbx_.get(), newMbx); !s) return s;
    if (std::fclose(mbx_.release()) != 0) return Status::Fail("Cannot write '" + newMbx + "'.");
    {
        std::unique_ptr<std::FILE, Closer> toc(std::fopen(newToc.c_str(), "wb"));
        if (!toc) return Status::Fail("Cannot create '" + newToc + "': " + std::strerror(errno));
        if (!tocBytes.empty() && std::fwrite(tocBytes.data(), 1, tocBytes.size(), toc.get()) != tocBytes.size())
            return Status::Fail("Cannot write '" + newToc + "': " + std::strerror(errno));
        if (Status s = SyncFile(toc.get(), newToc); !s) return s;
        if (std::fclose(toc.release()) != 0) return Status::Fail("Cannot write '" + newToc + "'.");
    }
    CopyMode(pair_.mbx(), newMbx);
    CopyMode(pair_.toc(), newToc);
    SyncFolder(newMbx);
    std::error_code ec;
    std::filesystem::rename(newMbx, pair_.mbx(), ec);
    if (ec) return Status::Fail("Cannot replace '" + pair_.mbx() + "': " + ec.message());
    mailboxReplaced_ = true;
    std::filesystem::rename(newToc, pair_.toc(), ec);
    done_ = true;  // from here on the new mailbox is in place; never delete the new TOC
    if (ec) return Status::Fail("Cannot replace '" + pair_.toc() + "': " + ec.message() + ". The new TOC file stays as '" + newToc + "'.");
    SyncFolder(pair_.mbx());
    return {};
}

}  // namespace ledgerly
