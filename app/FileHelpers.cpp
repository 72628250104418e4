#include "app/FileHelpers.h"

#include <cerrno>
#include <cstdio>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <memory>

#ifdef _WIN32
#include <fcntl.h>
#include <io.h>
#include <windows.h>

#include "app/Platform.h"
#else
#include <unistd.h>
#endif

#include "app/AtomicFile.h"
#include "app/Encoding.h"
#include "app/SafeFiles.h"
#include "app/TextHelpers.h"

namespace fs = std::filesystem;

namespace ledgerly {

#ifdef _WIN32
fs::path FsPath(std::string_view path) { return fs::path(Wide(path)); }
std::string PathText(const fs::path& path) { return FromWide(path.native()); }
namespace {
// A stdio stream on a handle opened as files are opened elsewhere: sharing
// reading, writing and deleting, so that a file being read can be renamed
// over or removed, as the pair's replacement does (msvcrt's fopen shares no
// deletion). `mode` is one of "rb", "wb", "ab".
std::FILE* OpenShared(std::string_view path, const char* mode, DWORD disposition) {
    const bool reading = mode[0] == 'r', appending = mode[0] == 'a';
    const DWORD access = reading ? GENERIC_READ : appending ? FILE_APPEND_DATA | SYNCHRONIZE : GENERIC_WRITE;
    HANDLE h = ::CreateFileW(Wide(path).c_str(), access, FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE, nullptr, disposition,
                             FILE_ATTRIBUTE_NORMAL, nullptr);
    if (h == INVALID_HANDLE_VALUE) {
        const DWORD error = ::GetLastError();
        errno = error == ERROR_FILE_NOT_FOUND || error == ERROR_PATH_NOT_FOUND ? ENOENT
                : error == ERROR_FILE_EXISTS || error == ERROR_ALREADY_EXISTS ? EEXIST
                                                                               : EACCES;
        return nullptr;
    }
    const int fd = ::_open_osfhandle(reinterpret_cast<intptr_t>(h), (reading ? _O_RDONLY : _O_WRONLY | (appending ? _O_APPEND : 0)) | _O_BINARY);
    if (fd < 0) {
        ::CloseHandle(h);
        return nullptr;
    }
    std::FILE* f = ::_fdopen(fd, mode);
    if (!f) ::_close(fd);
    return f;
}
}  // namespace

std::FILE* OpenStdFile(std::string_view path, const char* mode) {
    const std::string_view m(mode);
    if (m == "rb") return OpenShared(path, "rb", OPEN_EXISTING);
    if (m == "wb") return OpenShared(path, "wb", CREATE_ALWAYS);
    if (m == "ab") return OpenShared(path, "ab", OPEN_ALWAYS);
    return ::_wfopen(Wide(path).c_str(), Wide(mode).c_str());
}
#else
fs::path FsPath(std::string_view path) { return fs::path(std::string(path)); }
std::string PathText(const fs::path& path) { return path.native(); }
std::FILE* OpenStdFile(std::string_view path, const char* mode) { return std::fopen(std::string(path).c_str(), mode); }
#endif

namespace {

bool StatPath(std::string_view path, bool& isDir) {
    std::error_code ec;
    const fs::file_status st = fs::status(FsPath(path), ec);
    if (ec || !fs::exists(st)) return false;
    isDir = fs::is_directory(st);
    return true;
}

}  // namespace

bool FileExists(std::string_view path) {
    bool isDir = false;
    return StatPath(path, isDir) && !isDir;
}

bool FolderExists(std::string_view path) {
    bool isDir = false;
    return StatPath(path, isDir);
}

bool IsRelativePath(std::string_view path) {
    if (path.empty()) return true;
    if (IsPathSeparator(path.front())) return false;
#ifdef _WIN32
    // 'C:x' is relative to drive C's current folder, which is not ours either.
    if (path.size() >= 2 && path[1] == ':') return false;
#endif
    return true;
}

std::string WithTrailingSeparator(std::string_view path) {
    std::string p(path);
    if (p.empty() || !IsPathSeparator(p.back())) p.push_back(kPathSeparator);
    return p;
}

std::string GetFolderName(std::string_view path) {
    const std::string p = WithTrailingSeparator(path);
    const std::size_t last = p.size() - 1;
    std::size_t prev = std::string::npos;
    for (std::size_t i = last; i-- > 0;)
        if (IsPathSeparator(p[i])) { prev = i; break; }
    const std::size_t start = prev == std::string::npos ? 0 : prev + 1;
    return p.substr(start, last - start);
}

std::string GetFileName(std::string_view path, bool dropExtension) {
    std::string_view p = path;
    while (!p.empty() && IsPathSeparator(p.back())) p.remove_suffix(1);
    std::size_t sep = std::string_view::npos;
    for (std::size_t i = p.size(); i-- > 0;)
        if (IsPathSeparator(p[i])) { sep = i; break; }
    std::string name(sep == std::string_view::npos ? p : p.substr(sep + 1));
    if (dropExtension) {
        const std::size_t dot = name.rfind('.');
        if (dot != std::string::npos) name.resize(dot);
    }
    return name;
}

std::int64_t FileSize(std::string_view path) {
    std::error_code ec;
    const std::uintmax_t size = fs::file_size(FsPath(path), ec);
    return ec ? 0 : static_cast<std::int64_t>(size);
}

Result<std::string> ReadFileChecked(std::string_view path) {
    std::string data;
    if (Status s = ReadInPieces(path, [&](std::string_view piece) {
            data.append(piece);
            return Status();
        });
        !s)
        return s;
    return data;
}

std::optional<std::string> ReadWholeFile(std::string_view path) {
    auto data = ReadFileChecked(path);
    if (!data) return std::nullopt;
    return std::move(*data);
}

Status ReadInPieces(std::string_view path, const std::function<Status(std::string_view)>& take) {
    auto in = FileHandle::OpenForReading(std::string(path));
    if (!in) return in.status();
    std::string piece(std::size_t{1} << 20, '\0');
    for (;;) {
        auto got = in->Read(piece.data(), piece.size());
        if (!got) return got.status();
        if (*got == 0) return {};
        if (Status s = take(std::string_view(piece.data(), *got)); !s) return s;
    }
}

Status WriteWholeFileChecked(std::string_view path, std::string_view bytes) {
    auto file = AtomicFile::Create(std::string(path));
    if (!file) return file.status();
    if (Status s = file->Append(bytes); !s) return s;
    return file->Commit();
}

Status WriteNewFile(std::string_view path, std::string_view bytes) {
    auto file = AtomicFile::Create(std::string(path));
    if (!file) return file.status();
    if (Status s = file->Append(bytes); !s) return s;
    return file->Commit(false);
}

bool WriteWholeFile(std::string_view path, std::string_view bytes) { return WriteWholeFileChecked(path, bytes).ok(); }

std::string WithExtensionAsFound(std::string_view path) {
    const fs::path asked = FsPath(path);
    std::error_code ec;
    const std::string name = PathText(asked.filename());
    if (fs::exists(asked, ec)) {
#ifdef _WIN32
        // Windows finds the file whatever the case asked for; the name it
        // stores is the one to keep (a rename over 'In.toc' would otherwise
        // rename 'IN.TOC').
        const std::string stored = GetFileName(GetLongPath(path));
        if (stored != name && EqualsNoCase(stored, name)) return std::string(path.substr(0, path.size() - name.size())) + stored;
#endif
        return std::string(path);
    }
    const std::size_t dot = name.rfind('.');
    if (dot == std::string::npos || dot + 1 == name.size()) return std::string(path);
    const std::string_view stem = std::string_view(name).substr(0, dot + 1), ext = std::string_view(name).substr(dot + 1);
    std::string found;
    const fs::path folder = asked.has_parent_path() ? asked.parent_path() : fs::path(".");
    for (fs::directory_iterator it(folder, ec), end; !ec && it != end; it.increment(ec)) {
        const std::string entry = PathText(it->path().filename());
        if (entry.size() != name.size() || entry.compare(0, stem.size(), stem) != 0) continue;
        if (!EqualsNoCase(std::string_view(entry).substr(stem.size()), ext)) continue;
        if (found.empty() || entry < found) found = entry;
    }
    if (found.empty()) return std::string(path);
    return std::string(path.substr(0, path.size() - name.size())) + found;
}

std::string PartnerPath(std::string_view path, std::string_view ext) {
    const std::size_t cut = path.size() >= ext.size() ? path.size() - ext.size() : 0;
    std::string partner(path.substr(0, cut));
    for (std::size_t i = 0; i < ext.size(); ++i) {
        const char own = cut + i < path.size() ? path[cut + i] : 'x';
        const char c = ext[i];
        partner.push_back(own >= 'A' && own <= 'Z' && c >= 'a' && c <= 'z' ? static_cast<char>(c - 32) : c);
    }
    return WithExtensionAsFound(partner);
}

std::string GetShortPath(std::string_view path) {
#ifdef _WIN32
    const std::wstring wide = Wide(path);
    const DWORD n = ::GetShortPathNameW(wide.c_str(), nullptr, 0);
    if (n == 0) return {};
    std::wstring shortPath(n, L'\0');
    const DWORD got = ::GetShortPathNameW(wide.c_str(), shortPath.data(), n);
    if (got == 0 || got >= n) return {};
    shortPath.resize(got);
    return FromWide(shortPath);
#else
    std::error_code ec;
    return fs::exists(FsPath(path), ec) ? std::string(path) : std::string();
#endif
}

std::string GetLongPath(std::string_view path) {
#ifdef _WIN32
    // The system spells each component as stored, 8.3 names expanded; the walk
    // below serves a path that does not exist whole.
    const std::wstring wide = Wide(path);
    if (const DWORD n = ::GetLongPathNameW(wide.c_str(), nullptr, 0); n > 0) {
        std::wstring longPath(n, L'\0');
        const DWORD got = ::GetLongPathNameW(wide.c_str(), longPath.data(), n);
        if (got > 0 && got < n) {
            longPath.resize(got);
            return FromWide(longPath);
        }
    }
#endif
    // Walk the components; where a component is not found as spelled, take the
    // entry of its folder that matches it without regard to case.
    const fs::path input = FsPath(path);
    fs::path result = input.root_path();
    for (const fs::path& part : input.relative_path()) {
        const fs::path exact = result / part;
        std::error_code ec;
        if (part == "." || part == ".." || fs::exists(exact, ec)) {
            result = exact;
            continue;
        }
        fs::path match;
        for (fs::directory_iterator it(result.empty() ? fs::path(".") : result, ec), end; !ec && it != end; it.increment(ec)) {
            if (EqualsNoCase(PathText(it->path().filename()), PathText(part))) { match = it->path().filename(); break; }
        }
        result /= match.empty() ? part : match;
    }
    std::string out = PathText(result);
    if (!path.empty() && IsPathSeparator(path.back()) && (out.empty() || !IsPathSeparator(out.back()))) out.push_back(kPathSeparator);
    return out;
}

std::vector<FolderEntry> ListFolder(std::string_view folder) {
    std::vector<FolderEntry> out;
    std::error_code ec;
    for (fs::directory_iterator it(FsPath(folder), ec), end; !ec && it != end; it.increment(ec)) {
        std::error_code typeError;
        out.push_back({PathText(it->path().filename()), it->is_directory(typeError)});
    }
    return out;
}

std::string ProgramFolder() {
#ifdef _WIN32
    std::wstring exe(MAX_PATH, L'\0');
    for (;;) {
        const DWORD n = ::GetModuleFileNameW(nullptr, exe.data(), static_cast<DWORD>(exe.size()));
        if (n == 0) break;
        if (n < exe.size()) {
            exe.resize(n);
            return WithTrailingSeparator(PathText(fs::path(exe).parent_path()));
        }
        exe.resize(exe.size() * 2);  // a long path: GetModuleFileNameW cut it
    }
#else
    std::error_code ec;
    const fs::path exe = fs::read_symlink("/proc/self/exe", ec);
    if (!ec) return WithTrailingSeparator(PathText(exe.parent_path()));
#endif
    std::error_code cwdError;
    return WithTrailingSeparator(PathText(fs::current_path(cwdError)));
}

}  // namespace ledgerly
