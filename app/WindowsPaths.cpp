#include "app/WindowsPaths.h"

#include <algorithm>
#include <cstdlib>
#include <filesystem>

#include "app/FileHelpers.h"
#include "app/TextHelpers.h"

namespace fs = std::filesystem;

namespace ledgerly {
namespace {

std::vector<std::string> WindowsComponents(std::string_view path) {
    std::vector<std::string> parts;
    std::string cur;
    for (char c : path) {
        if (c == '\\' || c == '/') {
            if (!cur.empty()) parts.push_back(cur);
            cur.clear();
        } else {
            cur.push_back(c);
        }
    }
    if (!cur.empty()) parts.push_back(cur);
    return parts;
}

std::string Upper(std::string_view s) {
    std::string out(s);
    for (char& c : out)
        if (c >= 'a' && c <= 'z') c = static_cast<char>(c - 32);
    return out;
}

// The 8.3 form Windows gives a long name, first candidate only ('Program Files' -> 'PROGRA~1').
bool MatchesShortName(std::string_view shortName, std::string_view longName) {
    const std::size_t tilde = shortName.find('~');
    if (tilde == std::string_view::npos || tilde == 0) return false;
    const std::string stem = Upper(shortName.substr(0, tilde));
    std::string squeezed;
    for (char c : Upper(longName))
        if (c != ' ' && c != '.') squeezed.push_back(c);
    if (squeezed.rfind(stem, 0) != 0) return false;
    const std::size_t dot = shortName.find('.', tilde);
    if (dot == std::string_view::npos) return true;
    const std::size_t longDot = longName.rfind('.');
    return longDot != std::string_view::npos && Upper(longName.substr(longDot + 1)).rfind(Upper(shortName.substr(dot + 1)), 0) == 0;
}

// The entry of `folder` that a Windows component names, or nullopt.
std::optional<std::string> MatchComponent(const fs::path& folder, const std::string& component) {
    std::error_code ec;
    if (fs::exists(folder / FsPath(component), ec)) return component;
    std::vector<std::string> names;
    for (fs::directory_iterator it(folder, ec), end; !ec && it != end; it.increment(ec)) names.push_back(PathText(it->path().filename()));
    std::sort(names.begin(), names.end());
    for (const std::string& n : names)
        if (EqualsNoCase(n, component)) return n;
    for (const std::string& n : names)
        if (MatchesShortName(component, n)) return n;
    return std::nullopt;
}

// Names of the folder's entries, in name order.
std::vector<std::string> EntryNames(const fs::path& folder) {
    std::vector<std::string> names;
    std::error_code ec;
    for (fs::directory_iterator it(folder, ec), end; !ec && it != end; it.increment(ec)) names.push_back(PathText(it->path().filename()));
    std::sort(names.begin(), names.end());
    return names;
}

bool NamesEntry(const std::vector<std::string>& names, const std::string& component) {
    return std::any_of(names.begin(), names.end(), [&](const std::string& n) { return EqualsNoCase(n, component) || MatchesShortName(component, n); });
}

// The existing file or folder that parts[from..] name below `base`, every
// component matched as Windows matches it; nullopt when one is missing.
std::optional<std::string> ResolveExisting(fs::path base, const std::vector<std::string>& parts, std::size_t from) {
    for (std::size_t i = from; i < parts.size(); ++i) {
        const auto match = MatchComponent(base, parts[i]);
        if (!match) return std::nullopt;
        base /= FsPath(*match);
    }
    return PathText(base);
}

std::optional<std::string> Resolve(fs::path base, const std::vector<std::string>& parts, std::size_t from) {
    for (std::size_t i = from; i < parts.size(); ++i) {
        const auto match = MatchComponent(base, parts[i]);
        base /= FsPath(match ? *match : parts[i]);
    }
    return PathText(base);
}

bool IsInside(const fs::path& child, const fs::path& parent) {
    const std::string c = PathText(child.lexically_normal()), p = WithTrailingSeparator(PathText(parent.lexically_normal()));
    return c.rfind(p, 0) == 0 || WithTrailingSeparator(c) == p;
}

fs::path Canonical(const fs::path& p) {
    std::error_code ec;
    fs::path c = fs::weakly_canonical(p, ec);
    return ec ? p : c;
}

}  // namespace

bool IsWindowsPath(std::string_view path) {
    if (path.size() >= 3 && ((path[0] >= 'A' && path[0] <= 'Z') || (path[0] >= 'a' && path[0] <= 'z')) && path[1] == ':' &&
        (path[2] == '\\' || path[2] == '/'))
        return true;
    return path.size() >= 2 && path[0] == '\\' && path[1] == '\\';
}

std::string FileNameOfAnyPath(std::string_view path) {
    const std::size_t cut = path.find_last_of("\\/");
    return std::string(cut == std::string_view::npos ? path : path.substr(cut + 1));
}

std::optional<std::string> FindWinePrefix(std::string_view localPath) {
#ifdef _WIN32
    (void)localPath;
    return std::nullopt;  // Windows itself: nothing to map through
#else
    std::error_code ec;
    for (fs::path p = Canonical(FsPath(localPath)); !p.empty(); p = p.parent_path()) {
        if (fs::is_directory(p / "dosdevices", ec)) return PathText(p);
        if (p == p.parent_path()) break;
    }
    if (const char* env = std::getenv("WINEPREFIX"); env && *env) {
        const fs::path prefix = Canonical(FsPath(env));
        if (fs::is_directory(prefix / "dosdevices", ec) && IsInside(Canonical(FsPath(localPath)), prefix)) return PathText(prefix);
    }
    return std::nullopt;
#endif
}

PathMapper::PathMapper(std::string dataFolder, std::optional<std::string> winePrefix)
    : dataFolder_(std::move(dataFolder)), prefix_(winePrefix ? std::move(winePrefix) : FindWinePrefix(dataFolder_)) {}

std::optional<std::string> PathMapper::ToLocal(std::string_view path) const {
#ifdef _WIN32
    return std::string(path);  // a Windows path means what it says here
#endif
    if (!IsWindowsPath(path)) return std::string(path);
    const std::vector<std::string> parts = WindowsComponents(path);
    std::error_code ec;
    std::optional<std::string> throughDrive;
    if (prefix_ && path[1] == ':') {
        const std::string drive(1, static_cast<char>(std::tolower(static_cast<unsigned char>(path[0]))));
        const fs::path link = FsPath(*prefix_) / "dosdevices" / (drive + ":");
        if (fs::exists(link, ec)) throughDrive = Resolve(Canonical(link), parts, 1);
        if (throughDrive && fs::exists(*throughDrive, ec)) return throughDrive;
    }
    if (!dataFolder_.empty()) {
        // The longest tail of the path that exists below the data folder: a
        // data folder copied under any name keeps its own layout below it.
        const std::vector<std::string> top = EntryNames(FsPath(dataFolder_));
        for (std::size_t i = 1; i < parts.size(); ++i) {
            if (!NamesEntry(top, parts[i])) continue;
            if (auto found = ResolveExisting(FsPath(dataFolder_), parts, i)) return found;
        }
    }
    if (throughDrive) return throughDrive;
    if (!dataFolder_.empty()) {
        const std::string name = GetFolderName(dataFolder_);
        for (std::size_t i = 0; i + 1 < parts.size(); ++i)
            if (EqualsNoCase(parts[i], name)) return Resolve(FsPath(dataFolder_), parts, i + 1);
    }
    return std::nullopt;
}

std::optional<std::string> PathMapper::ToWindows(std::string_view localPath) const {
    if (!prefix_) return std::nullopt;
    const fs::path target = Canonical(FsPath(localPath));
    std::error_code ec;
    // The longest drive link that holds the path wins (z: maps "/" as a last resort).
    std::optional<std::string> best;
    std::size_t bestLen = 0;
    for (fs::directory_iterator it(FsPath(*prefix_) / "dosdevices", ec), end; !ec && it != end; it.increment(ec)) {
        const std::string drive = PathText(it->path().filename());
        if (drive.size() != 2 || drive[1] != ':') continue;
        const fs::path root = Canonical(it->path());
        if (!IsInside(target, root)) continue;
        const std::size_t len = root.native().size();
        if (best && len <= bestLen) continue;
        std::string rest = PathText(target.lexically_relative(root));
        if (rest == ".") rest.clear();
        std::replace(rest.begin(), rest.end(), '/', '\\');
        best = std::string(1, static_cast<char>(std::toupper(static_cast<unsigned char>(drive[0])))) + ":\\" + rest;
        bestLen = len;
    }
    return best;
}

std::string PathMapper::ForMail(std::string_view localPath) const {
    if (auto w = ToWindows(localPath)) return *w;
    return std::string(localPath);
}

std::vector<std::string> PathMapper::FormsOf(std::string_view localPath) const {
    std::vector<std::string> forms{std::string(localPath)};
    if (auto w = ToWindows(localPath); w && *w != forms.front()) forms.push_back(*w);
    return forms;
}

}  // namespace ledgerly
