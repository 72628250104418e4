#pragma once
// Flagging duplicate messages in a mailbox's summaries: a flagged summary gets
// the lowest priority and a subject marker, so that the mail client shows the
// copies marked and sorted together. The mailbox file is never touched.
#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

#include "app/Host.h"
#include "app/Result.h"

namespace ledgerly {

inline constexpr std::string_view kClassicMarker = "|> duplicate |>";
inline constexpr std::string_view kHashMarker = "|> Duplicate (Hash) |>";
inline constexpr std::string_view kHashReportTitle = "Mark Duplicates (Hash)";
inline constexpr std::string_view kSearchInProgress = "Search in progress...";
inline constexpr std::string_view kNoDuplicatesFound = "No duplicates found.";
inline constexpr std::int32_t kProgressWindowThreshold = 100;  // more messages than this open the window

struct DuplicateOptions {
    bool ExcludeDelimiters = true;
    bool ExcludeHeaders = false;
    bool ExcludeBodies = false;  // ignored when ExcludeHeaders is set
    int CpuLevel = 2;            // 1 Hyper, 2 Standard, 3 Relax to the Max
};

// The pause at each pause point: 5, 10 or 20 ms.
int PauseMilliseconds(int cpuLevel);

// The part of a message that is compared: without its delimiter line, then
// without its header part, or else without its body (the header part and one
// CR stay; a message without an empty line leaves nothing).
std::string ComparisonText(std::string_view message, const DuplicateOptions& options);

struct DuplicateMatch {
    std::int32_t message = 0;  // the summary that is (or would be) flagged
    std::int32_t copyOf = 0;   // classic: the first earlier copy; hash: the next later one
};

struct DuplicateOutcome {
    std::int32_t flagged = 0;
    bool stopped = false;
    bool silent = false;  // the hash search was stopped in its first phase: no report
    std::string report;   // the text of the closing box
    std::vector<DuplicateMatch> matches;
};

// The classic search: texts compared byte for byte; the first copy of each
// group stays unflagged. With dryRun nothing is written.
Result<DuplicateOutcome> FlagDuplicatesClassic(ToolContext& context, std::string_view pairPath, const DuplicateOptions& options,
                                               bool dryRun = false);
// The hash search: CRC-32 of each text; the last copy of each group stays unflagged.
Result<DuplicateOutcome> FlagDuplicatesHash(ToolContext& context, std::string_view pairPath, const DuplicateOptions& options,
                                            bool dryRun = false);

}  // namespace ledgerly
