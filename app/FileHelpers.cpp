#include "app/FileHelpers.h"

#include <cerrno>
#include <cstdio>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <memory>

#ifndef _WIN32
#include <dirent.h>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>
#endif

#include "app/AtomicFile.h"
#include "app/SafeFiles.h"
#include "app/TextHelpers.h"

namespace fs = std::filesystem;

namespace ledgerly {
namespace {

bool StatPath(std::string_view path, bool& isDir) {
    std::error_code ec;
    const fs::file_status st = fs::status(fs::path(std::string(path)), ec);
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

std::string WithTrailingSeparator(std::string_view path) {
    std::string p(path);
    if (p.empty() || p.back() != kPathSeparator) p.push_back(kPathSeparator);
    return p;
}

std::string GetFolderName(std::string_view path) {
    const std::string p = WithTrailingSeparator(path);
    const std::size_t last = p.size() - 1;
    const std::size_t prev = last == 0 ? std::string::npos : p.rfind(kPathSeparator, last - 1);
    const std::size_t start = prev == std::string::npos ? 0 : prev + 1;
    return p.substr(start, last - start);
}

std::string GetFileName(std::string_view path, bool dropExtension) {
    std::string_view p = path;
    while (!p.empty() && p.back() == kPathSeparator) p.remove_suffix(1);
    const std::size_t sep = p.rfind(kPathSeparator);
    std::string name(sep == std::string_view::npos ? p : p.substr(sep + 1));
    if (dropExtension) {
        const std::size_t dot = name.rfind('.');
        if (dot != std::string::npos) name.resize(dot);
    }
    return name;
}

std::int64_t FileSize(std::string_view path) {
    std::error_code ec;
    const std::uintmax_t size = fs::file_size(fs::path(std::string(path)), ec);
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
    const fs::path asked{std::string(path)};
    std::error_code ec;
    if (fs::exists(asked, ec)) return std::string(path);
    const std::string name = asked.filename().string();
    const std::size_t dot = name.rfind('.');
    if (dot == std::string::npos || dot + 1 == name.size()) return std::string(path);
    const std::string_view stem = std::string_view(name).substr(0, dot + 1), ext = std::string_view(name).substr(dot + 1);
    std::string found;
    const fs::path folder = asked.has_parent_path() ? asked.parent_path() : fs::path(".");
    for (fs::directory_iterator it(folder, ec), end; !ec && it != end; it.increment(ec)) {
        const std::string entry = it->path().filename().string();
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
    std::error_code ec;
    return fs::exists(fs::path(std::string(path)), ec) ? std::string(path) : std::string();
}

std::string GetLongPath(std::string_view path) {
    // Walk the components; where a component is not found as spelled, take the
    // entry of its folder that matches it without regard to case.
    const fs::path input{std::string(path)};
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
            if (EqualsNoCase(it->path().filename().string(), part.string())) { match = it->path().filename(); break; }
        }
        result /= match.empty() ? part : match;
    }
    std::string out = result.string();
    if (!path.empty() && path.back() == kPathSeparator && (out.empty() || out.back() != kPathSeparator)) out.push_back(kPathSeparator);
    return out;
}

std::vector<FolderEntry> ListFolder(std::string_view folder) {
    std::vector<FolderEntry> out;
    std::error_code ec;
    for (fs::directory_iterator it(fs::path(std::string(folder)), ec), end; !ec && it != end; it.increment(ec)) {
        std::error_code typeError;
        out.push_back({it->path().filename().string(), it->is_directory(typeError)});
    }
    return out;
}

std::string ProgramFolder() {
#ifndef _WIN32
    std::error_code ec;
    const fs::path exe = fs::read_symlink("/proc/self/exe", ec);
    if (!ec) return WithTrailingSeparator(exe.parent_path().string());
#endif
    return WithTrailingSeparator(fs::current_path().string());
}

}  // namespace ledgerly
