#include "flagging/SummaryRefresh.h"

#include <algorithm>
#include <cstring>

#include "app/FieldDecoder.h"
#include "app/Messages.h"
#include "app/TextHelpers.h"
#include "flagging/DateReader.h"
#include "flagging/PairAccess.h"

namespace ledgerly {
namespace {

constexpr std::string_view kNotSpecified = "(not specified)";

bool StartsWith(std::string_view line, std::string_view prefix) { return line.substr(0, prefix.size()) == prefix; }

// Runs a 64-character field through the decoder and stores the result; a
// shorter result is ended by NUL bytes.
void DecodeInto(std::array<char, 64>& field, std::span<const char, 64> text, const FieldDecodeFn& decode) {
    char buffer[65];
    std::memcpy(buffer, text.data(), 64);
    buffer[64] = '\0';
    if (decode) decode(buffer);
    const std::size_t length = strnlen(buffer, 64);
    std::memcpy(field.data(), buffer, length);
    std::fill(field.begin() + static_cast<std::ptrdiff_t>(length), field.end(), '\0');
}

bool OnlySpacesAndNuls(std::span<const char> field) {
    return std::all_of(field.begin(), field.end(), [](char c) { return c == ' ' || c == '\0'; });
}

std::int16_t PriorityOf(std::string_view text) {
    if (FindText(text, "highest")) return 1;
    if (FindText(text, "high")) return 2;
    if (FindText(text, "lowest")) return 5;
    if (FindText(text, "low")) return 4;
    return 3;
}

// Eudora 7 ends the date text with a NUL inside the first 28 bytes and keeps
// the arrival time in the last four; such a field keeps its shape (and its
// arrival time). Any other field is written whole.
void StoreDate(std::array<char, 32>& field, const std::string& text) {
    const auto first28 = std::span<const char>(field.data(), 28);
    if (std::find(first28.begin(), first28.end(), '\0') != first28.end()) {
        std::array<char, 28> part{};
        SetTextField(part, text);
        if (text.size() < part.size()) part[text.size()] = '\0';
        std::copy(part.begin(), part.end(), field.begin());
    } else {
        SetTextField(field, text);
    }
}

struct Gathered {
    std::string_view sender, recipients, priority = "normal", date;
    bool received = false;
    bool attachment = false;
    bool subjectFound = false;
    std::string_view subject;
};

Gathered Gather(std::string_view message) {
    Gathered g;
    g.attachment = message.find("\r\nAttachment Converted: ") != std::string_view::npos;
    for (std::string_view line : SplitLines(FlaggingHeaderPart(message))) {
        if (StartsWith(line, "From: ")) {
            g.sender = line.substr(6);
        } else if (StartsWith(line, "Date: ")) {
            g.date = line.substr(6);
        } else if (StartsWith(line, "Received: ")) {
            if (line.size() > 10) g.received = true;
        } else if (StartsWith(line, "To: ")) {
            g.recipients = line.substr(4);
        } else if (StartsWith(line, "Priority: ")) {
            g.priority = line.substr(10);
        } else if (StartsWith(line, "X-Attachments: ")) {
            if (line.size() > 18) g.attachment = true;
        } else if (StartsWith(line, "Subject: ")) {
            g.subjectFound = true;
            g.subject = line.substr(9);
        }
    }
    return g;
}

// The subject text: cut to 64 characters, leading spaces removed, padded with spaces.
std::array<char, 64> SubjectText(std::string_view value) {
    value = value.substr(0, 64);
    const std::size_t first = value.find_first_not_of(' ');
    std::array<char, 64> text{};
    text.fill(' ');
    if (first != std::string_view::npos) SetTextField(text, value.substr(first));
    return text;
}

}  // namespace

FieldDecodeFn DefaultFieldDecode() {
    return [](char* value) { FieldDecoder::Default().Decode(value); };
}

std::array<char, 64> GetWhoName(std::string_view s) {
    std::string name;
    if (const std::size_t q = s.find('"'); q != std::string_view::npos) {
        const std::size_t q2 = s.find('"', q + 1);
        if (q2 != std::string_view::npos) name = TrimSpaces(s.substr(q + 1, q2 - q - 1));
    } else if (const std::size_t p = s.find('('); p != std::string_view::npos) {
        const std::size_t p2 = s.find(')', p + 1);
        if (p2 != std::string_view::npos) name = TrimSpaces(s.substr(p + 1, p2 - p - 1));
    } else {
        name = TrimSpaces(s);
    }
    std::array<char, 64> who{};
    std::memcpy(who.data(), name.data(), std::min(name.size(), who.size()));
    return who;
}

std::int16_t StatusForDirection(std::int16_t current, bool sent) {
    if (sent) return IsSentStatus(current) ? current : StatusValue(MessageState::Sent);
    return IsReceivedStatus(current) ? current : StatusValue(MessageState::Read);
}

bool RefreshSummaryFields(MessageSummary& s, std::string_view message, const RefreshSelectors& sel, const FieldDecodeFn& decode) {
    const Gathered g = Gather(message);
    if (sel.sentReceived) {
        const std::string_view sender = g.sender.empty() ? kNotSpecified : g.sender;
        const std::string_view recipients = g.recipients.empty() ? kNotSpecified : g.recipients;
        s.Status = StatusForDirection(s.Status, !g.received);
        s.Who = GetWhoName(g.received ? sender : recipients);
    }
    if (sel.priority) s.Priority = PriorityOf(g.priority);
    if (sel.attachment) s.SetHasAttachments(g.attachment);
    if (sel.date) {
        if (const auto when = ReadHeaderDate(g.date)) StoreDate(s.Date, FormatSummaryDate(*when));
    }
    if (sel.subject) {
        const std::array<char, 64> text = SubjectText(g.subject);
        if (OnlySpacesAndNuls(std::span<const char>(text))) {
            SetTextField(s.Subject, "(no subject)");
        } else {
            DecodeInto(s.Subject, text, decode);
        }
    }
    if (sel.whoDecoding) {
        if (OnlySpacesAndNuls(std::span<const char>(s.Who))) {
            SetTextField(s.Who, "[Not Specified]");
        } else {
            const std::array<char, 64> who = s.Who;
            DecodeInto(s.Who, who, decode);
        }
    }
    return g.received;
}

namespace {

Status RefreshSummaries(ToolContext& context, FlaggingPair& p, const RefreshSelectors& sel, const FieldDecodeFn& decode) {
    for (std::int32_t k = 1; k <= p.count; ++k) {
        if (context.host.StopRequested()) return p.txn.AbandonWith(msg::kStopped);
        MessageSummary s = p.toc().ReadSummary(k);
        RefreshSummaryFields(s, p.mbx().Fetch(s), sel, decode);
        context.host.Status(std::to_string(k));
        context.host.Progress("update", k, p.count, "messages");
        p.toc().WriteSummary(k, s);
    }
    return {};
}

Status MarkSummaries(ToolContext& context, FlaggingPair& p, bool sent) {
    const std::string_view prefix = sent ? "To: " : "From: ";
    for (std::int32_t k = 1; k <= p.count; ++k) {
        if (context.host.StopRequested()) return p.txn.AbandonWith(msg::kStopped);
        MessageSummary s = p.toc().ReadSummary(k);
        const std::string message = p.mbx().Fetch(s);
        const std::vector<std::string_view> lines = SplitLines(FlaggingHeaderPart(message));
        std::string text;
        // The first line is the delimiter and is not examined.
        for (std::size_t i = 1; i < lines.size(); ++i) {
            if (!StartsWith(lines[i], prefix)) continue;
            text = std::string(lines[i].substr(prefix.size()));
            // One continuation line of a folded recipients header, taken as it stands.
            if (sent && i + 1 < lines.size() && lines[i + 1].find(':') == std::string_view::npos) text += lines[i + 1];
            break;
        }
        if (text.empty()) text = kNotSpecified;
        s.Status = StatusForDirection(s.Status, sent);
        s.Who = GetWhoName(text);
        context.host.Status(std::to_string(k));
        context.host.Progress("mark", k, p.count, "messages");
        p.toc().WriteSummary(k, s);
    }
    return {};
}

std::string Shown(std::span<const char> field) { return "'" + TrimAtNull(std::string_view(field.data(), field.size())) + "'"; }

std::string FlagsText(std::uint8_t flags) {
    static constexpr char kHex[] = "0123456789ABCDEF";
    return std::string("0x") + kHex[flags >> 4] + kHex[flags & 0xF];
}

// Each summary whose fields differ between the TOC before a run and after it.
std::vector<SummaryChange> ChangesBetween(const TocImage& before, const TocImage& after, std::int32_t count) {
    std::vector<SummaryChange> changes;
    for (std::int32_t k = 1; k <= count; ++k) {
        const MessageSummary a = before.ReadSummary(k), b = after.ReadSummary(k);
        SummaryChange c{k, {}};
        auto field = [&c](const char* name, const std::string& from, const std::string& to) {
            if (from != to) c.fields.push_back(std::string(name) + " " + from + " -> " + to);
        };
        field("Status", std::to_string(a.Status), std::to_string(b.Status));
        field("Who", Shown(a.Who), Shown(b.Who));
        field("Priority", std::to_string(a.Priority), std::to_string(b.Priority));
        field("Flags", FlagsText(a.AttachmentFlags), FlagsText(b.AttachmentFlags));
        field("Date", Shown(a.Date), Shown(b.Date));
        field("Subject", Shown(a.Subject), Shown(b.Subject));
        // Bytes that read the same (the padding behind a NUL) change nothing the window shows.
        if (!c.fields.empty()) changes.push_back(std::move(c));
    }
    return changes;
}

}  // namespace

Status UpdateTocFields(ToolContext& context, std::string_view pairPath, const RefreshSelectors& sel, const FieldDecodeFn& decode) {
    auto open = OpenFlaggingPair(pairPath, context);
    if (!open) return open.status();
    FlaggingPair& p = *open;
    if (p.count == 0) return {};
    if (Status run = RefreshSummaries(context, p, sel, decode); !run) return run;
    return p.txn.Commit();
}

Result<std::vector<SummaryChange>> PreviewTocFields(ToolContext& context, std::string_view pairPath, const RefreshSelectors& sel,
                                                    const FieldDecodeFn& decode) {
    auto open = OpenFlaggingPair(pairPath, context, PairOpening::Look);
    if (!open) return open.status();
    FlaggingPair& p = *open;
    const TocImage before = p.toc();
    if (Status run = RefreshSummaries(context, p, sel, decode); !run) return run;
    return ChangesBetween(before, p.toc(), p.count);
}

Status MarkAllMessages(ToolContext& context, std::string_view pairPath, bool sent) {
    auto open = OpenFlaggingPair(pairPath, context);
    if (!open) return open.status();
    FlaggingPair& p = *open;
    if (p.count == 0) return {};
    if (Status run = MarkSummaries(context, p, sent); !run) return run;
    return p.txn.Commit();
}

Result<std::vector<SummaryChange>> PreviewMarkAll(ToolContext& context, std::string_view pairPath, bool sent) {
    auto open = OpenFlaggingPair(pairPath, context, PairOpening::Look);
    if (!open) return open.status();
    FlaggingPair& p = *open;
    const TocImage before = p.toc();
    if (Status run = MarkSummaries(context, p, sent); !run) return run;
    return ChangesBetween(before, p.toc(), p.count);
}

}  // namespace ledgerly
