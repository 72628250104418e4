#pragma once
// What the three export layouts write around a message: the mbox "From "
// line and its quoting, the state headers and Maildir flags taken from a
// summary's Status, the priority header, and names on disk that every
// mail program and file system accepts.
#include <cstdint>
#include <optional>
#include <set>
#include <string>
#include <string_view>
#include <vector>

#include "migrate/EudoraMessage.h"

namespace ledgerly {

enum class MailFormat { Mbox, Maildir, Eml };
std::string_view FormatName(MailFormat format);  // "mbox", "maildir", "eml"
std::optional<MailFormat> ParseFormat(std::string_view name);

struct MessageFlags {
    bool read = false;       // read, and every state after it (replied, sent, ...)
    bool replied = false;    // 2
    bool forwarded = false;  // 3 forwarded, 4 redirected
};
MessageFlags FlagsOfStatus(std::int16_t status);

// Status:, X-Status:, X-Mozilla-Status: and X-Mozilla-Status2: lines (no line ends).
std::vector<std::string> MboxStateHeaders(MessageFlags flags);
// ":2," and the flags in ASCII order ("P", "R", "S").
std::string MaildirInfo(MessageFlags flags);
// "X-Priority: 1 (Highest)" ... "X-Priority: 5 (Lowest)"; none outside 1-5.
std::optional<std::string> PriorityHeader(std::int16_t priority);

// Seconds since 1970 of an arrival text as the delimiter line holds it
// ("Mon Dec 13 18:45:29 2010", taken as UTC); nullopt when it is not one.
std::optional<std::int64_t> ArrivalSeconds(std::string_view arrival);
// The "From " line (without its line end): the sender from Return-Path:,
// else From:, else MAILER-DAEMON; the arrival time as asctime writes it,
// from the delimiter line, else `fallbackSeconds`.
std::string MboxFromLine(const std::vector<HeaderField>& headers, std::string_view arrival, std::int64_t fallbackSeconds);
// mboxrd: appends `message`, every line of which that begins with any number
// of ">" and then "From " gets one ">" more.
void AppendFromQuoted(std::string& out, std::string_view message);

// One component of a path: no separators, no control characters, nothing a
// Windows file system refuses, no leading dot, at most 200 bytes (UTF-8 in,
// UTF-8 out); `fallback`, made safe the same way, when nothing is left.
std::string SafeName(std::string_view utf8, std::string_view fallback);
// "0001 Subject.eml" (the number `width` digits wide); "0001.eml" without a subject.
std::string EmlFileName(std::int32_t index, int width, std::string_view subjectUtf8);
// A Maildir file name: unique within its Maildir, the flags behind ":2,".
std::string MaildirFileName(std::int64_t seconds, std::int32_t index, std::string_view host, MessageFlags flags);

// Names given within one folder: a name already taken there (compared
// without regard to ASCII case) gets " (2)", " (3)", ...
class SiblingNames {
public:
    std::string Take(const std::string& name);
    void Reserve(const std::string& name) { taken_.insert(Key(name)); }

private:
    static std::string Key(const std::string& name);
    std::set<std::string> taken_;
};

}  // namespace ledgerly
