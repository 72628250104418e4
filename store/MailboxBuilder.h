#pragma once
// Builds mailbox pairs in memory: used by the sample-store generator, the tests
// and the benchmarks, so that no opaque binary fixture is ever checked in.
#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

#include "app/Result.h"
#include "store/Toc.h"

namespace ledgerly {

// The text of one message as Eudora stores it: delimiter line, header lines,
// an empty line, the body; CR LF line ends. `headers` are full lines without
// their CR LF ("Subject: Hi"); `body` uses CR LF already.
std::string ComposeMessage(const std::vector<std::string>& headers, std::string_view body,
                           std::string_view delimiterDate = "Mon Dec 13 18:45:29 2010");

class MailboxBuilder {
public:
    MailboxBuilder& Name(std::string_view name);
    MailboxBuilder& Type(std::int16_t type);
    MailboxBuilder& Version(std::uint8_t version);  // header byte 0-1: 0x30 or 0x31
    MailboxBuilder& Widths(const std::array<std::int16_t, 8>& widths);

    // Adds a message; the summary's Offset and Length are set from the text.
    // The summary fields given are stored as Eudora would show them.
    MailboxBuilder& Add(std::string text, std::string_view who = "", std::string_view subject = "",
                        std::string_view date = "", std::int16_t status = 1, std::int16_t priority = 3);
    // Adds a message with a summary of the caller's own.
    MailboxBuilder& Add(std::string text, const MessageSummary& summary);
    // Bytes in the mailbox file that no summary covers.
    MailboxBuilder& AddUncovered(std::string bytes);

    MessageSummary& Summary(std::size_t index) { return entries_.at(index).summary; }
    std::size_t Count() const { return entries_.size(); }

    std::string MbxBytes() const;
    std::string TocBytes() const;
    TocHeader Header() const;
    // Writes '<pairPath>mbx', then '<pairPath>toc' (a TOC newer than its mailbox).
    Status Write(const std::string& pairPath) const;

private:
    struct Entry {
        std::string text;
        MessageSummary summary;
        bool covered = true;
    };
    std::vector<Entry> entries_;
    std::string name_;
    std::int16_t type_ = 2;
    std::uint8_t version_ = 0x31;
    std::array<std::int16_t, 8> widths_{3, 3, 3, 3, 5, 20, 16, 4};  // S, Junk, P, A, Label, Who, Date, K (0x31)
};

}  // namespace ledgerly
