#pragma once
// Rebuilding the summaries' who, subject, date, priority, attachment and
// sent/received fields from the messages' own header lines, and marking every
// message of a mailbox sent or received.
#include <array>
#include <cstdint>
#include <functional>
#include <string>
#include <string_view>
#include <vector>

#include "app/Host.h"
#include "app/Result.h"
#include "store/Toc.h"

namespace ledgerly {

// Decodes the NUL-terminated text in place without lengthening it.
using FieldDecodeFn = std::function<void(char*)>;
// The decoder library's DecodeField, bound at first use.
FieldDecodeFn DefaultFieldDecode();

struct RefreshSelectors {
    bool sentReceived = false;  // Status and Who
    bool priority = false;      // Priority
    bool attachment = false;    // the attachment bit of the flags word
    bool date = false;          // Date
    bool subject = false;       // Subject, decoded
    bool whoDecoding = false;   // Who, decoded in place
    static RefreshSelectors All() { return {true, true, true, true, true, true}; }
    bool Any() const { return sentReceived || priority || attachment || date || subject || whoDecoding; }
    bool Decodes() const { return subject || whoDecoding; }
};

// The who text of a sender or recipients value: the quoted name, else the
// name in parentheses, else the whole value; trimmed, cut to 64 characters and
// padded with NUL bytes.
std::array<char, 64> GetWhoName(std::string_view value);

// The Status a summary gets when its message turns out received or sent: a
// state that already has that direction stays (unread stays unread, replied
// stays replied, queued stays queued); any other becomes Read or Sent.
std::int16_t StatusForDirection(std::int16_t current, bool sent);
// Refreshes the chosen field groups of one summary from its message's text.
// Returns whether the message counts as received (a "Received: " line longer
// than ten characters), whichever groups were chosen.
bool RefreshSummaryFields(MessageSummary& summary, std::string_view message, const RefreshSelectors& selectors,
                          const FieldDecodeFn& decode);

// Refreshes the chosen field groups of every summary of the pair (the .mbx path
// less "mbx"). The TOC file is saved whole at the end; nothing is written for
// an empty mailbox, and a pair that fails its check is refused.
Status UpdateTocFields(ToolContext& context, std::string_view pairPath, const RefreshSelectors& selectors,
                       const FieldDecodeFn& decode = DefaultFieldDecode());

// Marks every message sent (Who from "To: ") or received (Who from "From: ");
// Status as StatusForDirection gives it.
Status MarkAllMessages(ToolContext& context, std::string_view pairPath, bool sent);

// One summary a run would change: its number, and for each field that
// changes "Field old -> new" (texts quoted, in Windows-1252, as the window
// shows them: up to the first NUL, surrounding spaces trimmed).
struct SummaryChange {
    std::int32_t message = 0;
    std::vector<std::string> fields;
};
// What UpdateTocFields and MarkAllMessages would change; nothing is written
// (an interrupted earlier run is not finished either: the pair is read as it stands).
Result<std::vector<SummaryChange>> PreviewTocFields(ToolContext& context, std::string_view pairPath, const RefreshSelectors& selectors,
                                                    const FieldDecodeFn& decode = DefaultFieldDecode());
Result<std::vector<SummaryChange>> PreviewMarkAll(ToolContext& context, std::string_view pairPath, bool sent);

}  // namespace ledgerly
