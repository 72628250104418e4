#include "app/IniFile.h"

#include <cmath>
#include <cstdlib>
#include <filesystem>
#include <vector>

#include "app/FileHelpers.h"
#include "app/TextHelpers.h"

namespace ledgerly {
namespace {

constexpr std::size_t kMaxValue = 255;

std::string_view TrimBlank(std::string_view s) {
    while (!s.empty() && (s.front() == ' ' || s.front() == '\t')) s.remove_prefix(1);
    while (!s.empty() && (s.back() == ' ' || s.back() == '\t' || s.back() == '\r')) s.remove_suffix(1);
    return s;
}

std::vector<std::string> SplitFileLines(const std::string& text) {
    std::vector<std::string> lines;
    std::size_t pos = 0;
    while (pos < text.size()) {
        std::size_t nl = text.find('\n', pos);
        if (nl == std::string::npos) nl = text.size();
        std::string line = text.substr(pos, nl - pos);
        if (!line.empty() && line.back() == '\r') line.pop_back();
        lines.push_back(std::move(line));
        pos = nl + 1;
    }
    return lines;
}

// The section name of a "[name]" line, or nullopt.
std::optional<std::string_view> SectionOf(std::string_view line) {
    line = TrimBlank(line);
    if (line.size() < 2 || line.front() != '[') return std::nullopt;
    const std::size_t close = line.find(']');
    if (close == std::string_view::npos) return std::nullopt;
    return TrimBlank(line.substr(1, close - 1));
}

// The key of a "key=value" line, or nullopt.
std::optional<std::string_view> KeyOf(std::string_view line, std::string_view* value) {
    const std::size_t eq = line.find('=');
    if (eq == std::string_view::npos) return std::nullopt;
    if (value) *value = line.substr(eq + 1);
    return TrimBlank(line.substr(0, eq));
}

}  // namespace

std::string ReadIni(std::string_view section, std::string_view key, std::string_view defaultValue, const std::string& path) {
    const auto text = ReadWholeFile(path);
    if (!text) return std::string(defaultValue.substr(0, kMaxValue));
    bool inSection = false;
    for (const std::string& line : SplitFileLines(*text)) {
        if (auto s = SectionOf(line)) { inSection = EqualsNoCase(*s, section); continue; }
        if (!inSection) continue;
        std::string_view value;
        auto k = KeyOf(line, &value);
        if (!k || !EqualsNoCase(*k, key)) continue;
        value = TrimBlank(value);
        if (value.size() >= 2 && ((value.front() == '"' && value.back() == '"') || (value.front() == '\'' && value.back() == '\'')))
            value = value.substr(1, value.size() - 2);
        return std::string(value.substr(0, kMaxValue));
    }
    return std::string(defaultValue.substr(0, kMaxValue));
}

bool WriteIni(std::string_view section, std::string_view key, std::string_view value, const std::string& path) {
    const auto text = ReadWholeFile(path);
    std::error_code ec;
    // A file that exists but cannot be read is left alone rather than replaced
    // by one that holds only this key.
    if (!text && std::filesystem::exists(FsPath(path), ec)) return false;
    std::vector<std::string> lines = text ? SplitFileLines(*text) : std::vector<std::string>{};
    std::string entry(key);
    entry.append(1, '=').append(value);
    std::optional<std::size_t> lastInSection;
    bool inSection = false, written = false;
    for (std::size_t i = 0; i < lines.size() && !written; ++i) {
        if (auto s = SectionOf(lines[i])) {
            inSection = EqualsNoCase(*s, section);
            if (inSection) lastInSection = i;
            continue;
        }
        if (!inSection) continue;
        if (!TrimBlank(lines[i]).empty()) lastInSection = i;
        if (auto k = KeyOf(lines[i], nullptr); k && EqualsNoCase(*k, key)) {
            lines[i] = entry;
            written = true;
        }
    }
    if (!written) {
        if (lastInSection) {
            lines.insert(lines.begin() + static_cast<std::ptrdiff_t>(*lastInSection + 1), entry);
        } else {
            std::string header(1, '[');
            header.append(section).push_back(']');
            lines.push_back(std::move(header));
            lines.push_back(entry);
        }
    }
    std::string out;
    for (const std::string& l : lines) out += l + "\r\n";
    // The settings file's folder is made with the file, not before.
    if (const auto parent = FsPath(path).parent_path(); !parent.empty() && !std::filesystem::exists(parent, ec))
        std::filesystem::create_directories(parent, ec);
    return WriteWholeFile(path, out);
}

std::string FormatIniNumber(long long value) {
    std::string text = std::to_string(value);
    if (value >= 0) text.insert(text.begin(), ' ');
    return text;
}

std::optional<double> ParseIniNumber(std::string_view value) {
    const std::string s(TrimBlank(value));
    if (s.empty()) return std::nullopt;
    char* end = nullptr;
    const double d = std::strtod(s.c_str(), &end);
    if (end != s.c_str() + s.size() || !std::isfinite(d)) return std::nullopt;
    return d;
}

std::optional<long long> ReadIniNumber(std::string_view section, std::string_view key, const std::string& path) {
    const std::string v = ReadIni(section, key, "", path);
    const auto d = ParseIniNumber(v);
    if (!d || std::fabs(*d) > 9.0e15) return std::nullopt;
    return static_cast<long long>(*d);
}

}  // namespace ledgerly
