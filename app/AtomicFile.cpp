#include "app/AtomicFile.h"

#include <cstdio>
#include <random>
#include <utility>

namespace ledgerly {
namespace {

std::string FreshTempName(const std::string& target) {
    static thread_local std::mt19937_64 rng{std::random_device{}()};
    char suffix[16];
    std::snprintf(suffix, sizeof suffix, "%08llx", static_cast<unsigned long long>(rng() & 0xFFFFFFFFull));
    return target + std::string(kTempInfix) + suffix;
}

}  // namespace

Result<AtomicFile> AtomicFile::Create(const std::string& target) {
    AtomicFile f;
    f.target_ = target;
    const FileOwnership like = OwnershipOf(target);
    // A fresh name never takes over a file (or a link) that is there.
    Result<FileHandle> file = Status::Fail("Cannot create '" + target + "'.");
    for (int attempt = 0; attempt < 8 && !file; ++attempt) {
        f.temp_ = FreshTempName(target);
        file = FileHandle::CreateNew(f.temp_, like, target);
    }
    if (!file) return file.status();
    f.file_ = std::move(*file);
    return f;
}

AtomicFile::AtomicFile(AtomicFile&& other) noexcept
    : target_(std::move(other.target_)), temp_(std::move(other.temp_)), file_(std::move(other.file_)), size_(other.size_),
      done_(std::exchange(other.done_, true)) {}

AtomicFile::~AtomicFile() {
    if (done_) return;
    (void)file_.Close();
    (void)RemoveFile(temp_);
}

Status AtomicFile::Append(std::string_view bytes) {
    if (!file_.IsOpen()) return Status::Fail("Cannot write '" + target_ + "': the file is closed.");
    if (Status s = file_.Write(bytes); !s) return s;
    size_ += static_cast<std::int64_t>(bytes.size());
    return {};
}

Status AtomicFile::Commit(bool replace) {
    if (!file_.IsOpen()) return Status::Fail("Cannot write '" + target_ + "': the file is closed.");
    Status s = file_.Sync();
    if (s) s = file_.Close();
    if (s) s = replace ? RenameFile(temp_, target_) : RenameWithoutReplacing(temp_, target_);
    if (!s) return s;  // the destructor removes the temporary file
    done_ = true;
    SyncFolderOf(target_);
    return {};
}

}  // namespace ledgerly
