#include "store/Toc.h"

#include <algorithm>
#include <cstring>

#include "app/FileHelpers.h"

namespace ledgerly {
namespace {

std::int16_t GetI16(const char* p) {
    const auto b0 = static_cast<unsigned char>(p[0]);
    const auto b1 = static_cast<unsigned char>(p[1]);
    return static_cast<std::int16_t>(static_cast<std::uint16_t>(b0 | (b1 << 8)));
}
std::int32_t GetI32(const char* p) {
    std::uint32_t v = 0;
    for (int i = 3; i >= 0; --i) v = (v << 8) | static_cast<unsigned char>(p[i]);
    return static_cast<std::int32_t>(v);
}
void PutI16(char* p, std::int16_t value) {
    const auto v = static_cast<std::uint16_t>(value);
    p[0] = static_cast<char>(v & 0xFF);
    p[1] = static_cast<char>(v >> 8);
}
void PutI32(char* p, std::int32_t value) {
    auto v = static_cast<std::uint32_t>(value);
    for (int i = 0; i < 4; ++i, v >>= 8) p[i] = static_cast<char>(v & 0xFF);
}
template <std::size_t N>
void GetBytes(std::array<char, N>& out, const char* p) { std::memcpy(out.data(), p, N); }
template <std::size_t N>
void PutBytes(char* p, const std::array<char, N>& in) { std::memcpy(p, in.data(), N); }

}  // namespace

std::uint16_t TocHeader::Version() const {
    return static_cast<std::uint16_t>(static_cast<std::uint8_t>(Reserved0[0]) | (static_cast<std::uint8_t>(Reserved0[1]) << 8));
}

void TocHeader::SetVersion(std::uint16_t version) {
    Reserved0[0] = static_cast<char>(version & 0xFF);
    Reserved0[1] = static_cast<char>(version >> 8);
}

// Bytes 96-99 of the header are bytes 24-27 of the run that starts at 72.
std::uint32_t TocHeader::RecordedMailboxSize() const {
    std::uint32_t value = 0;
    for (int i = 3; i >= 0; --i) value = (value << 8) | static_cast<std::uint8_t>(Reserved72[24 + i]);
    return value;
}

void TocHeader::SetRecordedMailboxSize(std::uint32_t sizePlusOne) {
    for (int i = 0; i < 4; ++i) Reserved72[24 + i] = static_cast<char>((sizePlusOne >> (8 * i)) & 0xFF);
}

TocHeader TocHeader::Parse(std::span<const char, kTocHeaderSize> bytes) {
    const char* p = bytes.data();
    TocHeader h;
    GetBytes(h.Reserved0, p);
    GetBytes(h.MailboxName, p + 8);
    h.MailboxType = GetI16(p + 40);
    GetBytes(h.Reserved42, p + 42);
    for (std::size_t i = 0; i < h.ColumnWidths.size(); ++i) h.ColumnWidths[i] = GetI16(p + 54 + 2 * i);
    GetBytes(h.Reserved70, p + 70);
    GetBytes(h.Reserved72, p + 72);
    h.MessageCount = GetI16(p + 102);
    return h;
}

std::array<char, kTocHeaderSize> TocHeader::Serialize() const {
    std::array<char, kTocHeaderSize> out{};
    char* p = out.data();
    PutBytes(p, Reserved0);
    PutBytes(p + 8, MailboxName);
    PutI16(p + 40, MailboxType);
    PutBytes(p + 42, Reserved42);
    for (std::size_t i = 0; i < ColumnWidths.size(); ++i) PutI16(p + 54 + 2 * i, ColumnWidths[i]);
    PutBytes(p + 70, Reserved70);
    PutBytes(p + 72, Reserved72);
    PutI16(p + 102, MessageCount);
    return out;
}

MessageSummary MessageSummary::Parse(std::span<const char, kSummarySize> bytes) {
    const char* p = bytes.data();
    MessageSummary s;
    s.Offset = GetI32(p);
    s.Length = GetI32(p + 4);
    GetBytes(s.Reserved8, p + 8);
    s.Status = GetI16(p + 12);
    s.Reserved14 = static_cast<std::uint8_t>(p[14]);
    s.AttachmentFlags = static_cast<std::uint8_t>(p[15]);
    s.Priority = GetI16(p + 16);
    GetBytes(s.Date, p + 18);
    GetBytes(s.Who, p + 50);
    GetBytes(s.Subject, p + 114);
    GetBytes(s.Reserved178, p + 178);
    GetBytes(s.Reserved188, p + 188);
    return s;
}

std::array<char, kSummarySize> MessageSummary::Serialize() const {
    std::array<char, kSummarySize> out{};
    char* p = out.data();
    PutI32(p, Offset);
    PutI32(p + 4, Length);
    PutBytes(p + 8, Reserved8);
    PutI16(p + 12, Status);
    p[14] = static_cast<char>(Reserved14);
    p[15] = static_cast<char>(AttachmentFlags);
    PutI16(p + 16, Priority);
    PutBytes(p + 18, Date);
    PutBytes(p + 50, Who);
    PutBytes(p + 114, Subject);
    PutBytes(p + 178, Reserved178);
    PutBytes(p + 188, Reserved188);
    return out;
}

void SetTextField(std::span<char> field, std::string_view value) {
    const std::size_t n = std::min(field.size(), value.size());
    if (n > 0) std::memcpy(field.data(), value.data(), n);
    std::fill(field.begin() + static_cast<std::ptrdiff_t>(n), field.end(), ' ');
}

std::string FieldText(std::span<const char> field) { return std::string(field.data(), field.size()); }

Result<TocImage> TocImage::Load(const std::string& tocPath) {
    auto bytes = ReadFileChecked(tocPath);
    if (!bytes) return bytes.status();
    return FromBytes(std::move(*bytes));
}

Result<TocImage> TocImage::FromBytes(std::string bytes) {
    TocImage image;
    image.bytes_ = std::move(bytes);
    return image;
}

TocHeader TocImage::ReadHeader() const {
    if (!HasHeader()) {
        // A file shorter than a header reads as a zero-filled header around its bytes.
        std::array<char, kTocHeaderSize> padded{};
        std::memcpy(padded.data(), bytes_.data(), bytes_.size());
        return TocHeader::Parse(padded);
    }
    return TocHeader::Parse(std::span<const char, kTocHeaderSize>(bytes_.data(), kTocHeaderSize));
}

void TocImage::WriteHeader(const TocHeader& header) {
    if (!HasHeader()) return;
    const auto raw = header.Serialize();
    std::memcpy(bytes_.data(), raw.data(), raw.size());
}

std::int32_t TocImage::AnnouncedCount() const { return ReadHeader().MessageCount; }

std::int32_t TocImage::UsableCount() const {
    if (!HasHeader()) return 0;
    const std::int32_t announced = AnnouncedCount();
    if (announced <= 0) return 0;
    const auto present = static_cast<std::int64_t>((bytes_.size() - kTocHeaderSize) / kSummarySize);
    return static_cast<std::int32_t>(std::min<std::int64_t>(announced, present));
}

MessageSummary TocImage::ReadSummary(std::int32_t k) const {
    if (k < 1) return MessageSummary{};
    const auto at = static_cast<std::size_t>(SummaryOffset(k));
    if (at + kSummarySize > bytes_.size()) return MessageSummary{};  // never read past the end
    return MessageSummary::Parse(std::span<const char, kSummarySize>(bytes_.data() + at, kSummarySize));
}

void TocImage::WriteSummary(std::int32_t k, const MessageSummary& s) {
    // Only announced summaries that are wholly present: bytes beyond them are
    // not ours, and the file is never extended.
    if (k < 1 || k > UsableCount()) return;
    const auto at = static_cast<std::size_t>(SummaryOffset(k));
    const auto raw = s.Serialize();
    std::memcpy(bytes_.data() + at, raw.data(), raw.size());
}

}  // namespace ledgerly
