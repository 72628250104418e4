#include "migrate/MailFormats.h"

#include "app/CivilDate.h"

#include <cstdio>
#include <cstring>

#include "store/Toc.h"

namespace ledgerly {
namespace {

constexpr const char* kWeekdays[] = {"Sun", "Mon", "Tue", "Wed", "Thu", "Fri", "Sat"};
constexpr const char* kMonths[] = {"Jan", "Feb", "Mar", "Apr", "May", "Jun", "Jul", "Aug", "Sep", "Oct", "Nov", "Dec"};

std::int64_t DaysFromCivil(std::int64_t y, int m, int d) {
    y -= m <= 2;
    const std::int64_t era = (y >= 0 ? y : y - 399) / 400;
    const std::int64_t yoe = y - era * 400;
    const std::int64_t doy = (153 * (m + (m > 2 ? -3 : 9)) + 2) / 5 + d - 1;
    const std::int64_t doe = yoe * 365 + yoe / 4 - yoe / 100 + doy;
    return era * 146097 + doe - 719468;
}

std::string AsctimeOf(std::int64_t seconds) {
    if (seconds < 0) seconds = 0;
    std::int64_t days = seconds / 86400;
    const std::int64_t rest = seconds % 86400;
    const int weekday = static_cast<int>((days + 4) % 7);  // 1970-01-01 was a Thursday
    const CivilDate date = CivilFromDays(days);
    const int day = date.day, month = date.month;
    const std::int64_t year = date.year;
    char buf[64];
    std::snprintf(buf, sizeof buf, "%s %s %2d %02d:%02d:%02d %lld", kWeekdays[weekday], kMonths[month - 1], day,
                  static_cast<int>(rest / 3600), static_cast<int>(rest / 60 % 60), static_cast<int>(rest % 60),
                  static_cast<long long>(year));
    return buf;
}

std::string AddressIn(std::string_view value) {
    const std::size_t open = value.rfind('<');
    if (open != std::string_view::npos) {
        const std::size_t close = value.find('>', open);
        if (close != std::string_view::npos) return std::string(value.substr(open + 1, close - open - 1));
    }
    std::size_t start = 0;
    while (start < value.size()) {
        const std::size_t end = value.find_first_of(" \t\r\n,", start);
        const std::string_view token = value.substr(start, end == std::string_view::npos ? std::string_view::npos : end - start);
        if (token.find('@') != std::string_view::npos) return std::string(token);
        if (end == std::string_view::npos) break;
        start = end + 1;
    }
    return {};
}

bool UsableSender(const std::string& s) {
    if (s.empty()) return false;
    for (char c : s)
        if (static_cast<unsigned char>(c) <= ' ' || static_cast<unsigned char>(c) >= 127) return false;
    return true;
}

std::size_t Utf8Cut(std::string_view s, std::size_t max) {
    if (s.size() <= max) return s.size();
    std::size_t cut = max;
    while (cut > 0 && (static_cast<unsigned char>(s[cut]) & 0xC0) == 0x80) --cut;
    return cut;
}

}  // namespace

std::string_view FormatName(MailFormat format) {
    switch (format) {
        case MailFormat::Mbox: return "mbox";
        case MailFormat::Maildir: return "maildir";
        case MailFormat::Eml: return "eml";
    }
    return "mbox";
}

std::optional<MailFormat> ParseFormat(std::string_view name) {
    for (MailFormat f : {MailFormat::Mbox, MailFormat::Maildir, MailFormat::Eml})
        if (FormatName(f) == name) return f;
    return std::nullopt;
}

MessageFlags FlagsOfStatus(std::int16_t status) {
    MessageFlags f;
    // Unread and recovered mail stays unread; every other state was seen.
    f.read = status != StatusValue(MessageState::Unread) && status != StatusValue(MessageState::Recovered);
    f.replied = status == StatusValue(MessageState::Replied);
    f.forwarded = status == StatusValue(MessageState::Forwarded) || status == StatusValue(MessageState::Redirected);
    return f;
}

std::vector<std::string> MboxStateHeaders(MessageFlags flags) {
    std::vector<std::string> lines;
    lines.push_back(flags.read ? "Status: RO" : "Status: O");
    if (flags.replied) lines.push_back("X-Status: A");
    unsigned mozilla = 0;
    if (flags.read) mozilla |= 0x0001;
    if (flags.replied) mozilla |= 0x0002;
    if (flags.forwarded) mozilla |= 0x1000;
    char buf[40];
    std::snprintf(buf, sizeof buf, "X-Mozilla-Status: %04X", mozilla);
    lines.push_back(buf);
    lines.push_back("X-Mozilla-Status2: 00000000");
    return lines;
}

std::string MaildirInfo(MessageFlags flags) {
    std::string info = ":2,";
    if (flags.forwarded) info += 'P';
    if (flags.replied) info += 'R';
    if (flags.read) info += 'S';
    return info;
}

std::optional<std::string> PriorityHeader(std::int16_t priority) {
    static constexpr const char* kNames[] = {"Highest", "High", "Normal", "Low", "Lowest"};
    if (priority < 1 || priority > 5) return std::nullopt;
    return "X-Priority: " + std::to_string(priority) + " (" + kNames[priority - 1] + ")";
}

std::optional<std::int64_t> ArrivalSeconds(std::string_view arrival) {
    char weekday[8] = {}, month[8] = {};
    int day = 0, h = 0, m = 0, s = 0, year = 0, used = 0;
    const std::string text(arrival);
    if (std::sscanf(text.c_str(), "%3s %3s %d %d:%d:%d %d%n", weekday, month, &day, &h, &m, &s, &year, &used) != 7) return std::nullopt;
    if (static_cast<std::size_t>(used) != text.size()) return std::nullopt;
    int mon = 0;
    while (mon < 12 && std::strcmp(kMonths[mon], month) != 0) ++mon;
    if (mon == 12 || day < 1 || day > 31 || h > 23 || m > 59 || s > 60 || h < 0 || m < 0 || s < 0 || year < 1970 || year > 9999)
        return std::nullopt;
    return DaysFromCivil(year, mon + 1, day) * 86400 + h * 3600 + m * 60 + s;
}

std::string MboxFromLine(const std::vector<HeaderField>& headers, std::string_view arrival, std::int64_t fallbackSeconds) {
    std::string sender = AddressIn(HeaderValueOf(headers, "Return-Path"));
    if (!UsableSender(sender)) sender = AddressIn(HeaderValueOf(headers, "From"));
    if (!UsableSender(sender)) sender = "MAILER-DAEMON";
    const auto seconds = ArrivalSeconds(arrival);
    return "From " + sender + " " + AsctimeOf(seconds ? *seconds : fallbackSeconds);
}

void AppendFromQuoted(std::string& out, std::string_view message) {
    out.reserve(out.size() + message.size() + 64);
    std::size_t pos = 0;
    while (pos < message.size()) {
        std::size_t p = pos;
        while (p < message.size() && message[p] == '>') ++p;
        if (message.substr(p, 5) == "From ") out.push_back('>');
        const std::size_t nl = message.find('\n', pos);
        const std::size_t end = nl == std::string_view::npos ? message.size() : nl + 1;
        out.append(message.substr(pos, end - pos));
        pos = end;
    }
}

std::string SafeName(std::string_view utf8, std::string_view fallback) {
    std::string out;
    for (char c : utf8) {
        const auto b = static_cast<unsigned char>(c);
        out.push_back(b < 0x20 || b == 0x7F || std::strchr("/\\:*?\"<>|", c) ? '_' : c);
    }
    std::size_t start = 0;
    while (start < out.size() && out[start] == ' ') ++start;
    out.erase(0, start);
    out.resize(Utf8Cut(out, 200));
    while (!out.empty() && (out.back() == ' ' || out.back() == '.')) out.pop_back();
    if (!out.empty() && out.front() == '.') out.front() = '_';
    if (out.empty()) return fallback.empty() ? std::string() : SafeName(fallback, "");
    return out;
}

std::string EmlFileName(std::int32_t index, int width, std::string_view subjectUtf8) {
    char number[16];
    std::snprintf(number, sizeof number, "%0*d", width, static_cast<int>(index));
    const std::string subject = SafeName(subjectUtf8.substr(0, Utf8Cut(subjectUtf8, 80)), "");
    return subject.empty() ? std::string(number) + ".eml" : std::string(number) + " " + subject + ".eml";
}

std::string MaildirFileName(std::int64_t seconds, std::int32_t index, std::string_view host, MessageFlags flags) {
    std::string safeHost;
    for (char c : host) {
        if (c == '/') safeHost += "\\057";
        else if (c == ':') safeHost += "\\072";
        else safeHost.push_back(c);
    }
    if (safeHost.empty()) safeHost = "localhost";
    return std::to_string(seconds < 0 ? 0 : seconds) + ".L" + std::to_string(index) + "." + safeHost + MaildirInfo(flags);
}

std::string SiblingNames::Key(const std::string& name) {
    std::string key = name;
    for (char& c : key)
        if (c >= 'A' && c <= 'Z') c = static_cast<char>(c + 32);
    return key;
}

std::string SiblingNames::Take(const std::string& name) {
    std::string candidate = name;
    for (int n = 2; taken_.count(Key(candidate)); ++n) candidate = name + " (" + std::to_string(n) + ")";
    taken_.insert(Key(candidate));
    return candidate;
}

}  // namespace ledgerly
