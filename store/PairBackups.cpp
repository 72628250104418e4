#include "store/PairBackups.h"

#include <cstring>
#include <filesystem>

#include "app/FileHelpers.h"
#include "app/SafeFiles.h"

namespace ledgerly {
namespace {

constexpr std::string_view kPartialSuffix = ".ledgerly-partial";
constexpr std::size_t kPiece = std::size_t{1} << 20;

// "Cannot write 'In.mbx.1': ..." reads "Cannot write the backup 'In.mbx.1': ...".
std::string AsBackup(std::string text, const std::string& name) {
    const std::string quoted = "'" + name + "'";
    if (const std::size_t at = text.find(quoted); at != std::string::npos) text.insert(at, "the backup ");
    return text;
}

// Reading back compares the copy with the original rather than checksums of
// both: the pages are in memory after the copy, and comparing them costs a
// fraction of hashing them twice.
Status CopyWhole(const std::string& from, FileHandle& to, const std::string& shownAs) {
    auto in = FileHandle::OpenForReading(from);
    if (!in) return in.status();
    auto sizeBefore = in->Size();
    if (!sizeBefore) return sizeBefore.status();
    std::int64_t copied = 0;
    std::string piece(kPiece, '\0');
    for (;;) {
        auto got = in->Read(piece.data(), piece.size());
        if (!got) return got.status();
        if (*got == 0) break;
        if (Status s = to.Write(std::string_view(piece.data(), *got)); !s) return s;
        copied += static_cast<std::int64_t>(*got);
    }
    auto sizeAfter = in->Size();
    if (!sizeAfter || *sizeAfter != *sizeBefore || copied != *sizeBefore)
        return Status::Fail("Cannot copy '" + from + "' whole: it changed while it was copied.");
    if (Status s = to.Sync(); !s) return s;
    if (Status s = to.Close(); !s) return s;
    // Read back: the copy must hold exactly the bytes of the original.
    auto copy = FileHandle::OpenForReading(to.path());
    if (!copy) return copy.status();
    std::string other(kPiece, '\0');
    for (std::int64_t at = 0;; at += static_cast<std::int64_t>(piece.size())) {
        auto a = in->ReadAt(at, piece.data(), piece.size());
        if (!a) return a.status();
        auto b = copy->ReadAt(at, other.data(), other.size());
        if (!b) return b.status();
        if (*a != *b || std::memcmp(piece.data(), other.data(), *a) != 0 || (*a == 0 && at != copied))
            return Status::Fail("Cannot create '" + shownAs + "': the copy read back differs from the original.");
        if (*a < piece.size()) break;
    }
    // A backup is read only if something goes wrong; the new files of the
    // run can use its memory.
    copy->DropCachedPages();
    return {};
}

}  // namespace

Result<long> FreeBackupNumber(const std::vector<std::string>& files) {
    for (long n = 1;; ++n) {
        bool taken = false;
        for (const std::string& file : files) {
            const std::string name = file + "." + std::to_string(n);
            std::error_code ec;
            // A dangling link takes a name as much as a file does.
            const bool exists = std::filesystem::exists(std::filesystem::symlink_status(FsPath(name), ec));
            if (ec && ec != std::errc::no_such_file_or_directory)
                return Result<long>::Fail("Cannot create the backup '" + name + "': " + ec.message() + ".");
            taken = taken || exists;
        }
        if (!taken) return n;
    }
}

Result<std::string> CopyToBackup(const std::string& path, long number) {
    const std::string name = path + "." + std::to_string(number);
    const std::string partial = name + std::string(kPartialSuffix);
    (void)RemoveFile(partial);  // what a run killed while copying left
    auto out = FileHandle::CreateNew(partial, OwnershipOf(path), name);
    if (!out) return Result<std::string>::Fail(AsBackup(out.error(), name));
    Status s = CopyWhole(path, *out, name);
    if (s) s = RenameWithoutReplacing(partial, name);
    if (!s) {
        (void)out->Close();
        (void)RemoveFile(partial);
        return Result<std::string>::Fail(AsBackup(s.error(), name));
    }
    SyncFolderOf(name);
    return name;
}

Result<PairBackup> BackUpPair(const MailboxPair& pair, bool withMailbox) {
    PairBackup made;
    std::vector<std::string> files;
    for (const std::string& f : {pair.toc(), pair.mbx()}) {
        std::error_code ec;
        if (std::filesystem::exists(FsPath(f), ec) && (withMailbox || f == pair.toc())) files.push_back(f);
    }
    if (files.empty()) return made;
    auto number = FreeBackupNumber({pair.toc(), pair.mbx()});
    if (!number) return number.status();
    for (const std::string& f : files) {
        auto name = CopyToBackup(f, *number);
        if (!name) {
            std::string text = name.error();
            if (!made.toc.empty()) text = JoinSentences(text, "The backup '" + made.toc + "' was made.");
            return Result<PairBackup>::Fail(text);
        }
        (f == pair.toc() ? made.toc : made.mbx) = *name;
    }
    return made;
}

}  // namespace ledgerly
