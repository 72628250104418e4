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

bool Exists(const std::string& path) {
    std::error_code ec;
    return std::filesystem::exists(FsPath(path), ec);
}

Status SyncFile(std::FILE* f, const std::string& path) {
    if (!SyncStdFile(f)) return Status::Fail("Cannot write '" + path + "': " + std::strerror(errno));
    return {};
}

void SyncFolder(const std::string& anyFileInIt) {
#ifndef _WIN32
    const std::string folder = PathText(FsPath(anyFileInIt).parent_path());
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

bool IsHexTail(std::string_view text) {
    return text.size() == 8 && text.find_first_not_of("0123456789abcdef") == std::string_view::npos;
}

bool IsDigits(std::string_view text) {
    return !text.empty() && text.find_first_not_of("0123456789") == std::string_view::npos;
}

// The names a run killed part-way leaves beside a file of the pair, none of
// them ever complete: a whole-file write's '<file>.ledgerly-<8 hex digits>',
// the delimiter repair's '<file>.ledgerly-new.ledgerly-<8 hex digits>' and a
// backup's '<file>.<number>.ledgerly-partial'. The '.ledgerly-new' files
// themselves are the rewrite's and are dealt with below.
bool IsLeftoverOf(std::string_view name, std::string_view file) {
    if (name.size() <= file.size() || name.substr(0, file.size()) != file) return false;
    std::string_view rest = name.substr(file.size());
    const std::string temp = std::string(kTempInfix);
    if (rest.starts_with(kNewSuffix)) rest.remove_prefix(kNewSuffix.size());
    if (rest.starts_with(temp) && IsHexTail(rest.substr(temp.size()))) return true;
    constexpr std::string_view partial = ".ledgerly-partial";
    return rest.size() > partial.size() + 1 && rest.front() == '.' && rest.ends_with(partial) &&
           IsDigits(rest.substr(1, rest.size() - 1 - partial.size()));
}

// Removes those leftovers; returns how many went.
int RemoveLeftovers(const MailboxPair& pair) {
    const std::filesystem::path mbx = FsPath(pair.mbx()), toc = FsPath(pair.toc());
    const std::string folder = mbx.parent_path().empty() ? "." : PathText(mbx.parent_path());
    const std::string mbxName = PathText(mbx.filename()), tocName = PathText(toc.filename());
    int removed = 0;
    for (const FolderEntry& entry : ListFolder(folder)) {
        if (entry.isFolder || !(IsLeftoverOf(entry.name, mbxName) || IsLeftoverOf(entry.name, tocName))) continue;
        // Only plain files: what these runs write. A link or anything else
        // under such a name was put there by someone else.
        const std::filesystem::path path = FsPath(folder) / FsPath(entry.name);
        std::error_code ec;
        if (!std::filesystem::is_regular_file(std::filesystem::symlink_status(path, ec))) continue;
        if (std::filesystem::remove(path, ec)) ++removed;
    }
    return removed;
}

std::string Recover(const MailboxPair& pair);

}  // namespace

std::string RecoverInterruptedRewrite(const MailboxPair& pair) {
    const int removed = RemoveLeftovers(pair);
    std::string done = Recover(pair);
    if (removed > 0) {
        if (!done.empty()) done += ' ';
        done += "Removed " + std::to_string(removed) + " unfinished temporary file" + (removed == 1 ? "" : "s") +
                " of an interrupted run beside '" + pair.mbx() + "'.";
    }
    return done;
}

namespace {

std::string Recover(const MailboxPair& pair) {
    const std::string newMbx = NewName(pair.mbx()), newToc = NewName(pair.toc());
    const bool haveMbx = Exists(newMbx), haveToc = Exists(newToc);
    std::error_code ec;
    if (!haveMbx && haveToc) {
        // The mailbox rename happened; the TOC rename did not.
        if (Status s = RenameOver(newToc, pair.toc()); s) return "Completed an interrupted rewrite of '" + pair.toc() + "'.";
        return "An interrupted rewrite left '" + newToc + "'; it could not be renamed.";
    }
    if (haveMbx && !haveToc && !Exists(pair.toc())) {
        // A delimiter repair that had deleted the TOC file: its new mailbox was
        // complete on disk before the TOC went, so the repair is finished.
        if (Status s = RenameOver(newMbx, pair.mbx()); s) return "Completed an interrupted repair of '" + pair.mbx() + "'.";
        return "An interrupted repair left '" + newMbx + "'; it could not be renamed.";
    }
    if (haveMbx) {
        std::filesystem::remove(FsPath(newMbx), ec);
        std::filesystem::remove(FsPath(newToc), ec);
        return "Removed the unfinished files of an interrupted rewrite of '" + pair.mbx() + "'.";
    }
    return {};
}

}  // namespace

Result<PairRewrite> PairRewrite::Begin(const MailboxPair& pair) {
    PairRewrite rw;
    rw.pair_ = pair;
    const std::string newMbx = NewName(pair.mbx());
    std::error_code ec;
    std::filesystem::remove(FsPath(NewName(pair.toc())), ec);
    rw.mbx_.reset(OpenStdFile(newMbx, "wb"));
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
    std::filesystem::remove(FsPath(NewName(pair_.mbx())), ec);
    std::filesystem::remove(FsPath(NewName(pair_.toc())), ec);
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
        std::unique_ptr<std::FILE, Closer> toc(OpenStdFile(newToc, "wb"));
        if (!toc) return Status::Fail("Cannot create '" + newToc + "': " + std::strerror(errno));
        if (!tocBytes.empty() && std::fwrite(tocBytes.data(), 1, tocBytes.size(), toc.get()) != tocBytes.size())
            return Status::Fail("Cannot write '" + newToc + "': " + std::strerror(errno));
        if (Status s = SyncFile(toc.get(), newToc); !s) return s;
        if (std::fclose(toc.release()) != 0) return Status::Fail("Cannot write '" + newToc + "'.");
    }
    CopyMode(pair_.mbx(), newMbx);
    CopyMode(pair_.toc(), newToc);
    SyncFolder(newMbx);
    if (Status s = RenameOver(newMbx, pair_.mbx()); !s) return s;
    mailboxReplaced_ = true;
    const Status tocReplaced = RenameOver(newToc, pair_.toc());
    done_ = true;  // from here on the new mailbox is in place; never delete the new TOC
    if (!tocReplaced) return Status::Fail(tocReplaced.error() + " The new TOC file stays as '" + newToc + "'.");
    SyncFolder(pair_.mbx());
    return {};
}

}  // namespace ledgerly
