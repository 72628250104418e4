#include "app/AtomicFile.h"

#include <cerrno>
#include <cstring>
#include <filesystem>
#include <random>

#include "app/FileHelpers.h"

#ifndef _WIN32
#include <sys/stat.h>
#include <unistd.h>
#endif

namespace ledgerly {
namespace {

std::string FreshTempName(const std::string& target) {
    static thread_local std::mt19937_64 rng{std::random_device{}()};
    char suffix[16];
    std::snprintf(suffix, sizeof suffix, "%08llx", static_cast<unsigned long long>(rng() & 0xFFFFFFFFull));
    return target + std::string(kTempInfix) + suffix;
}

std::string Reason() { return std::strerror(errno); }

}  // namespace

Result<AtomicFile> AtomicFile::Create(const std::string& target, const std::string& temp) {
    AtomicFile f;
    f.target_ = target;
    // A fresh name must not take over a file that is there ("x": exclusive).
    for (int attempt = 0; attempt < 8 && !f.file_; ++attempt) {
        f.temp_ = temp.empty() ? FreshTempName(target) : temp;
        f.file_.reset(temp.empty() ? CreateNewStdFile(f.temp_) : OpenStdFile(f.temp_, "wb"));
        if (!temp.empty() || errno != EEXIST) break;
    }
    // The message names the file the caller asked for, not the temporary one.
    if (!f.file_) return Result<AtomicFile>::Fail("Cannot write '" + target + "': " + Reason());
#ifndef _WIN32
    struct stat st {}, mine {};
    // Only a plain file of ours takes the mode (a device a test links in must not).
    if (::stat(target.c_str(), &st) == 0 && ::fstat(::fileno(f.file_.get()), &mine) == 0 && S_ISREG(mine.st_mode))
        ::fchmod(::fileno(f.file_.get()), st.st_mode & 07777);
#endif
    return f;
}

AtomicFile::AtomicFile(AtomicFile&& other) noexcept
    : target_(std::move(other.target_)), temp_(std::move(other.temp_)), file_(std::move(other.file_)), size_(other.size_),
      keep_(other.keep_) {
    other.keep_ = true;
}

AtomicFile::~AtomicFile() {
    if (keep_) return;
    file_.reset();
    std::error_code ec;
    std::filesystem::remove(FsPath(temp_), ec);
}

Status AtomicFile::Append(std::string_view bytes) {
    if (!file_) return Status::Fail("Cannot write '" + temp_ + "': it is closed.");
    if (!bytes.empty() && std::fwrite(bytes.data(), 1, bytes.size(), file_.get()) != bytes.size())
        return Status::Fail("Cannot write '" + target_ + "': " + Reason());
    size_ += static_cast<std::int64_t>(bytes.size());
    return {};
}

Status AtomicFile::Close() {
    if (!file_) return keep_ ? Status() : Status::Fail("Cannot write '" + target_ + "'.");
    if (!SyncStdFile(file_.get())) return Status::Fail("Cannot write '" + target_ + "': " + Reason());
    if (std::fclose(file_.release()) != 0) return Status::Fail("Cannot write '" + target_ + "': " + Reason());
    keep_ = true;
    return {};
}

Status AtomicFile::Commit() {
    if (Status s = Close(); !s) return s;
    if (Status s = RenameOver(temp_, target_); !s) {
        std::error_code ec;
        std::filesystem::remove(FsPath(temp_), ec);
        return s;
    }
    return {};
}

}  // namespace ledgerly
