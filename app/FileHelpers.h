#pragma once
// File and path routines shared by the tools. Paths are text in the
// program's own encoding (UTF-8; on Linux whatever bytes the name has), with
// the platform's separator. On Windows they cross to the system as UTF-16:
// every file name goes through FsPath or OpenStdFile, never through the
// narrow-character calls, which would read it in the ANSI code page.
#include <cstdint>
#include <cstdio>
#include <filesystem>
#include <functional>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "app/Result.h"

namespace ledgerly {

#ifdef _WIN32
inline constexpr char kPathSeparator = '\\';
#else
inline constexpr char kPathSeparator = '/';
#endif

// A path as the file system takes it, and back.
std::filesystem::path FsPath(std::string_view path);
std::string PathText(const std::filesystem::path& path);
// std::fopen for a path in the program's text.
std::FILE* OpenStdFile(std::string_view path, const char* mode);

// Whether `c` separates the components of a path here: the platform's
// separator, and on Windows "/" too, which Windows takes as well.
constexpr bool IsPathSeparator(char c) {
#ifdef _WIN32
    return c == '\\' || c == '/';
#else
    return c == '/';
#endif
}

// A path taken from the current folder: not 'C:\x', '\\server\x' or '\x' on
// Windows, not '/x' elsewhere. Empty text is relative.
bool IsRelativePath(std::string_view path);

// True for an existing entry that is not a folder, whatever the length of its
// name ('ss', a relative path, is as good as any).
bool FileExists(std::string_view path);
// True for an existing folder, and also for an existing file (the look-up
// Eudora-era code relied on matches both).
bool FolderExists(std::string_view path);

std::string WithTrailingSeparator(std::string_view path);
// 'C:\Mail\Work.fol\' gives 'Work.fol'.
std::string GetFolderName(std::string_view path);
// The last non-empty component; with dropExtension, less its last ".ext".
std::string GetFileName(std::string_view path, bool dropExtension = false);

// The size of a file in bytes; 0 when it cannot be had.
std::int64_t FileSize(std::string_view path);

// The whole file; only a regular file is read (a FIFO or a device is refused
// at once). ReadFileChecked says why it could not.
std::optional<std::string> ReadWholeFile(std::string_view path);
Result<std::string> ReadFileChecked(std::string_view path);
// Hands the file's bytes to `take` in order, in pieces of at most 1 MB, so
// that a large file is never held whole; stops at the first failure `take`
// returns. A file that cannot be opened or read, or that is not a regular
// file, fails with "Cannot read '<path>': <why>".
Status ReadInPieces(std::string_view path, const std::function<Status(std::string_view)>& take);
// Replaces the file through a temporary file in the same folder, flushed to
// disk and renamed over the target: the old content or the new, never a mix.
bool WriteWholeFile(std::string_view path, std::string_view bytes);
Status WriteWholeFileChecked(std::string_view path, std::string_view bytes);
// The same for a file that must not exist yet: fails, changing nothing, when
// anything (a link included) has the name by the time it is written.
Status WriteNewFile(std::string_view path, std::string_view bytes);

// The file as its folder holds it when only the case of its extension differs,
// as Eudora's own file system sees it ('In.mbx' finds 'IN.MBX' or 'In.MBX'):
// the path as given when it exists, else the folder's entry with the same name
// up to the last "." and the same extension without regard to case (the first
// in name order); the path as given when there is none.
std::string WithExtensionAsFound(std::string_view path);
// The file beside `path` with the extension `ext` in its place, spelled in
// the case of path's own extension ('IN.MBX' asks for 'IN.TOC'), then found
// as WithExtensionAsFound finds it. `path` ends in an extension of ext's length.
std::string PartnerPath(std::string_view path, std::string_view ext);

// Off Windows: the path itself when it exists, else empty.
std::string GetShortPath(std::string_view path);
// Each component spelled as the file system stores it.
std::string GetLongPath(std::string_view path);

struct FolderEntry {
    std::string name;
    bool isFolder = false;  // a folder, or a link to one
};
// The entries of a folder in the order the file system gives them, without
// "." and ".."; hidden entries included. Empty when it cannot be read.
std::vector<FolderEntry> ListFolder(std::string_view folder);

// Folder of the running program, ending in the separator.
std::string ProgramFolder();

}  // namespace ledgerly
