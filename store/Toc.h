#pragma once
// The TOC file: a 104-byte header and one 218-byte summary per message.
// Integers are little-endian; text fields are fixed-width Windows-1252 runs.
// Every byte a tool does not own is carried through unchanged, so a record
// parsed and serialised again reproduces its bytes exactly.
#include <array>
#include <cstdint>
#include <span>
#include <string>
#include <string_view>

#include "app/Result.h"

namespace ledgerly {

inline constexpr std::size_t kTocHeaderSize = 104;
inline constexpr std::size_t kSummarySize = 218;
inline constexpr std::int32_t kMaxMessageCount = 32767;

// Eudora's message states, the values of a summary's `Status`.
enum class MessageState : std::int16_t {
    Unread = 0, Read = 1, Replied = 2, Forwarded = 3, Redirected = 4,
    Unsendable = 5, Sendable = 6, Queued = 7, Sent = 8, Unsent = 9, TimeQueued = 10, Spooled = 11,
    Recovered = 12,
};
constexpr std::int16_t StatusValue(MessageState state) { return static_cast<std::int16_t>(state); }
// The states of mail that came in (recovered mail counts as received) and of
// mail written here; any other value belongs to neither.
constexpr bool IsReceivedStatus(std::int16_t status) { return (status >= 0 && status <= 4) || status == 12; }
constexpr bool IsSentStatus(std::int16_t status) { return status >= 5 && status <= 11; }

struct TocHeader {
    std::array<char, 8> Reserved0{};      // 0: Eudora's (bytes 0-1: the TOC version)
    std::array<char, 32> MailboxName{};   // 8
    std::int16_t MailboxType = 0;         // 40: 0 in, 1 out
    std::array<char, 12> Reserved42{};    // 42
    std::array<std::int16_t, 8> ColumnWidths{};  // 54: S P A Label Who Date K V (0x30 layout)
    std::array<char, 2> Reserved70{};     // 70
    std::array<char, 30> Reserved72{};    // 72
    std::int16_t MessageCount = 0;        // 102

    // Bytes 0-1: 0x31 for Eudora 6.1-7.1, 0x30 before.
    std::uint16_t Version() const;
    void SetVersion(std::uint16_t version);
    // Bytes 96-99: the mailbox file's size + 1, or 0 when Eudora did not record it.
    std::uint32_t RecordedMailboxSize() const;
    void SetRecordedMailboxSize(std::uint32_t sizePlusOne);

    static TocHeader Parse(std::span<const char, kTocHeaderSize> bytes);
    std::array<char, kTocHeaderSize> Serialize() const;
};

struct MessageSummary {
    std::int32_t Offset = 0;              // 0
    std::int32_t Length = 0;              // 4
    std::array<char, 4> Reserved8{};      // 8: arrival time
    std::int16_t Status = 0;              // 12
    std::uint8_t Reserved14 = 0;          // 14: low byte of Eudora's flags word
    std::uint8_t AttachmentFlags = 0;     // 15: high byte; 0x80 = has attachments
    std::int16_t Priority = 0;            // 16
    std::array<char, 32> Date{};          // 18
    std::array<char, 64> Who{};           // 50
    std::array<char, 64> Subject{};       // 114
    std::array<char, 10> Reserved178{};   // 178
    std::array<char, 30> Reserved188{};   // 188

    // The "has attachments" bit (0x80 of byte 15); the flags word's other bits are Eudora's.
    bool HasAttachments() const { return (AttachmentFlags & 0x80u) != 0; }
    void SetHasAttachments(bool has) {
        AttachmentFlags = static_cast<std::uint8_t>(has ? AttachmentFlags | 0x80u : AttachmentFlags & 0x7Fu);
    }

    static MessageSummary Parse(std::span<const char, kSummarySize> bytes);
    std::array<char, kSummarySize> Serialize() const;
};

// Writing a text field: cut to the field's width, padded on the right with
// spaces. A value's own NUL bytes are kept.
void SetTextField(std::span<char> field, std::string_view value);
std::string FieldText(std::span<const char> field);  // all bytes, padding included

// Byte offset of summary k (1-based), in wide arithmetic.
constexpr std::int64_t SummaryOffset(std::int64_t k) { return static_cast<std::int64_t>(kTocHeaderSize) + (k - 1) * static_cast<std::int64_t>(kSummarySize); }

// A whole TOC file held in memory (at most 104 + 32,767 x 218 bytes, about 7 MB).
// Summaries are read and written in place in the image; a PairTransaction
// puts the image in place as a whole, so a TOC file on disk is always either
// the old one or the new one.
class TocImage {
public:
    static Result<TocImage> Load(const std::string& tocPath);
    static Result<TocImage> FromBytes(std::string bytes);

    const std::string& bytes() const { return bytes_; }
    bool HasHeader() const { return bytes_.size() >= kTocHeaderSize; }
    TocHeader ReadHeader() const;
    void WriteHeader(const TocHeader& header);

    // MessageCount as announced by the header (may be negative or too large).
    std::int32_t AnnouncedCount() const;
    // Summaries that are both announced and wholly present in the file.
    std::int32_t UsableCount() const;
    MessageSummary ReadSummary(std::int32_t k) const;         // 1 <= k <= UsableCount(); else an empty summary
    void WriteSummary(std::int32_t k, const MessageSummary& s);  // never extends the file

private:
    std::string bytes_;
};

}  // namespace ledgerly
