#include "body/Backup.h"

#include <cerrno>
#include <cstdio>
#include <cstring>
#include <filesystem>
#include <memory>

#ifndef _WIN32
#include <unistd.h>
#endif

#include "app/FileHelpers.h"
#include "store/Mailbox.h"

namespace ledgerly {
namespace {

struct Closer { void operator()(std::FILE* f) const { if (f) std::fclose(f); } };
using File = std::unique_ptr<std::FILE, Closer>;

// Copies `from` to the file `to`; messages name the backup as `shownAs`.
Status CopyWhole(const std::string& from, const std::string& to, const std::string& shownAs) {
    File in(OpenStdFile(from, "rb"));
    if (!in) return Status::Fail("Cannot read '" + from + "': " + std::strerror(errno));
    File out(OpenStdFile(to, "wb"));
    if (!out) return Status::Fail("Cannot create the backup '" + shownAs + "': " + std::strerror(errno));
    std::unique_ptr<char[]> buf(new char[1 << 20]);
    std::uintmax_t copied = 0;
    for (;;) {
        const std::size_t got = std::fread(buf.get(), 1, 1 << 20, in.get());
        if (got > 0 && std::fwrite(buf.get(), 1, got, out.get()) != got)
            return Status::Fail("Cannot write the backup '" + shownAs + "': " + std::strerror(errno));
        copied += got;
        if (got < (1 << 20)) break;
    }
    if (std::ferror(in.get())) return Status::Fail("Cannot read '" + from + "'.");
    // The copy must hold the whole file as it is now.
    std::error_code ec;
    if (const std::uintmax_t size = std::filesystem::file_size(FsPath(from), ec); ec || size != copied)
        return Status::Fail("Cannot copy '" + from + "' whole: it changed while it was copied.");
    if (!SyncStdFile(out.get())) return Status::Fail("Cannot write the backup '" + shownAs + "': " + std::strerror(errno));
    if (std::fclose(out.release()) != 0) return Status::Fail("Cannot write the backup '" + shownAs + "'.");
    return {};
}

}  // namespace

Result<std::string> NextBackupName(const std::string& path) {
    for (long n = 1;; ++n) {
        std::string name = path + "." + std::to_string(n);
        std::error_code ec;
        const bool taken = std::filesystem::exists(FsPath(name), ec);
        if (ec) return Result<std::string>::Fail("Cannot create the backup '" + name + "': " + ec.message() + ".");
        if (!taken) return name;
    }
}

Result<std::string> CreateBackup(AppState& state, const std::string& path) {
    if (!FileExists(path)) return std::string();
    const auto next = NextBackupName(path);
    if (!next) return Result<std::string>::Fail(next.error() + " Nothing was changed.");
    const std::string& name = *next;
    const std::string temp = name + ".ledgerly-partial";
    if (Status s = CopyWhole(path, temp, name); !s) {
        std::error_code ec;
        std::filesystem::remove(FsPath(temp), ec);
        return Result<std::string>::Fail(s.error() + " Nothing was changed.");
    }
    std::error_code ec;
    std::filesystem::rename(FsPath(temp), FsPath(name), ec);
    if (ec) {
        std::filesystem::remove(FsPath(temp), ec);
        return Result<std::string>::Fail("Cannot create the backup '" + name + "'. Nothing was changed.");
    }
    if (EndsWithNoCase(path, "toc")) state.TocBackupPath = name;
    else if (EndsWithNoCase(path, "mbx")) state.MbxBackupPath = name;
    return name;
}

Result<PairBackup> BackupPair(AppState& state, const std::string& pairPath) {
    PairBackup b;
    const MailboxPair pair{pairPath};
    auto toc = CreateBackup(state, pair.toc());
    if (!toc) return toc.status();
    b.toc = *toc;
    auto mbx = CreateBackup(state, pair.mbx());
    if (!mbx) return mbx.status();
    b.mbx = *mbx;
    return b;
}

}  // namespace ledgerly
