#include "store/MailboxBuilder.h"

#include <cstring>

#include "app/FileHelpers.h"

namespace ledgerly {

std::string ComposeMessage(const std::vector<std::string>& headers, std::string_view body, std::string_view delimiterDate) {
    std::string m = "From ???@??? " + std::string(delimiterDate) + "\r\n";
    for (const std::string& h : headers) m += h + "\r\n";
    m += "\r\n";
    m += body;
    return m;
}

MailboxBuilder& MailboxBuilder::Name(std::string_view name) { name_ = std::string(name); return *this; }
MailboxBuilder& MailboxBuilder::Type(std::int16_t type) { type_ = type; return *this; }
MailboxBuilder& MailboxBuilder::Version(std::uint8_t version) { version_ = version; return *this; }
MailboxBuilder& MailboxBuilder::Widths(const std::array<std::int16_t, 8>& widths) { widths_ = widths; return *this; }

MailboxBuilder& MailboxBuilder::Add(std::string text, std::string_view who, std::string_view subject, std::string_view date,
                                    std::int16_t status, std::int16_t priority) {
    MessageSummary s;
    s.Status = status;
    s.Priority = priority;
    SetTextField(s.Date, date);
    // Eudora 7 ends the date text with a NUL inside bytes 18-45 and keeps the
    // arrival time in bytes 46-49; mimic that shape.
    if (date.size() < 28) s.Date[date.size()] = '\0';
    SetTextField(s.Who, who);
    SetTextField(s.Subject, subject);
    std::memset(s.Reserved178.data(), 0, s.Reserved178.size());
    std::memset(s.Reserved188.data(), 0, s.Reserved188.size());
    return Add(std::move(text), s);
}

MailboxBuilder& MailboxBuilder::Add(std::string text, const MessageSummary& summary) {
    entries_.push_back({std::move(text), summary, true});
    return *this;
}

MailboxBuilder& MailboxBuilder::AddUncovered(std::string bytes) {
    entries_.push_back({std::move(bytes), MessageSummary{}, false});
    return *this;
}

std::string MailboxBuilder::MbxBytes() const {
    std::string out;
    for (const Entry& e : entries_) out += e.text;
    return out;
}

TocHeader MailboxBuilder::Header() const {
    TocHeader h;
    h.SetVersion(version_);
    SetTextField(h.MailboxName, name_);
    if (name_.size() < h.MailboxName.size()) std::memset(h.MailboxName.data() + name_.size(), 0, h.MailboxName.size() - name_.size());
    h.MailboxType = type_;
    h.ColumnWidths = widths_;
    std::int16_t count = 0;
    for (const Entry& e : entries_) count = static_cast<std::int16_t>(count + (e.covered ? 1 : 0));
    h.MessageCount = count;
    // Bytes 96-99: the mailbox file's size + 1, as Eudora 7 records it.
    std::size_t mbxSize = 0;
    for (const Entry& e : entries_) mbxSize += e.text.size();
    const auto size = static_cast<std::uint32_t>(mbxSize + 1);
    h.SetRecordedMailboxSize(size);
    return h;
}

std::string MailboxBuilder::TocBytes() const {
    const auto header = Header().Serialize();
    std::string out(header.data(), header.size());
    std::int64_t offset = 0;
    for (const Entry& e : entries_) {
        if (e.covered) {
            MessageSummary s = e.summary;
            s.Offset = static_cast<std::int32_t>(offset);
            s.Length = static_cast<std::int32_t>(e.text.size());
            const auto raw = s.Serialize();
            out.append(raw.data(), raw.size());
        }
        offset += static_cast<std::int64_t>(e.text.size());
    }
    return out;
}

Status MailboxBuilder::Write(const std::string& pairPath) const {
    if (Status s = WriteWholeFileChecked(pairPath + "mbx", MbxBytes()); !s) return s;
    return WriteWholeFileChecked(pairPath + "toc", TocBytes());
}

}  // namespace ledgerly
