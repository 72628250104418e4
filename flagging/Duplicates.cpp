#include "flagging/Duplicates.h"

#include <functional>
#include <unordered_map>

#include "app/Messages.h"
#include "flagging/PairAccess.h"
#include "flagging/cCRC.h"

namespace ledgerly {
namespace {

constexpr std::string_view kCompleted = "Search Completed. ";
constexpr std::string_view kStopped = "Search Stopped. ";

// The progress window's numbers and line, or the count in the status bar when
// no window is in use (never opened, or closed by the user).
void ShowProgress(ToolContext& c, std::int32_t max, std::int32_t value, std::int32_t flagged) {
    ProgressState& pr = c.state.progress;
    if (pr.ProgressShown) {
        pr.ProgressMax = max;
        pr.ProgressValue = value;
        pr.Info = std::to_string(flagged);
        c.host.UpdateProgress();
    } else {
        c.host.Status(std::to_string(flagged));
    }
}

void OpenProgressFor(ToolContext& c, std::int32_t count) {
    ProgressState& pr = c.state.progress;
    pr.StopSearch = false;
    pr.ProgressShown = false;
    if (count <= kProgressWindowThreshold) return;
    pr.ProgressShown = true;
    pr.ProgressMax = 100;
    pr.ProgressValue = 1;
    pr.Info = std::string(kSearchInProgress);
    c.host.OpenProgress();
    c.host.Status(kSearchInProgress);
}

void CloseProgressIfShown(ToolContext& c) {
    if (c.state.progress.ProgressShown) c.host.CloseProgress();
}

std::string Report(bool stopped, std::int32_t flagged) {
    std::string text(stopped ? kStopped : kCompleted);
    if (flagged > 0) return text + std::to_string(flagged) + " duplicates found.";
    return text + std::string(kNoDuplicatesFound);
}

// The search's own Stop (the progress window's), or the host's.
bool StopAsked(ToolContext& c) { return c.state.progress.StopSearch || c.host.StopRequested(); }

void Flag(TocImage& toc, std::int32_t k, std::string_view marker) {
    MessageSummary s = toc.ReadSummary(k);
    s.Priority = 5;
    SetTextField(s.Subject, marker);
    toc.WriteSummary(k, s);
}

bool DividesBy100(std::int64_t counter) { return counter % 100 == 0; }

// The end of a run: flags found so far are saved, the window closed, the report shown.
Result<DuplicateOutcome> Finish(ToolContext& c, FlaggingPair& p, DuplicateOutcome outcome, bool dryRun, std::string_view title) {
    CloseProgressIfShown(c);
    if (dryRun) p.txn.Abandon();
    else if (Status saved = p.txn.Commit(); !saved) return saved;
    outcome.report = Report(outcome.stopped, outcome.flagged);
    c.host.Inform(outcome.report, title, BoxIcon::None);
    return outcome;
}

}  // namespace

int PauseMilliseconds(int cpuLevel) {
    switch (cpuLevel) {
        case 1: return 5;
        case 3: return 20;
        default: return 10;
    }
}

std::string ComparisonText(std::string_view text, const DuplicateOptions& options) {
    if (options.ExcludeDelimiters) {
        const std::size_t at = text.find("\r\n");
        text = at == std::string_view::npos ? std::string_view() : text.substr(at + 2);
    }
    if (options.ExcludeHeaders) {
        const std::size_t at = text.find("\r\n\r\n");
        text = at == std::string_view::npos ? std::string_view() : text.substr(at + 4);
    } else if (options.ExcludeBodies) {
        const std::size_t at = text.find("\r\n\r\n");
        text = at == std::string_view::npos ? std::string_view() : text.substr(0, at + 1);
    }
    return std::string(text);
}

// Equivalent to comparing every message with each earlier one and flagging it
// at the first equal text: an index of the texts seen so far (by a hash, each
// candidate then compared byte for byte) finds the same first copy.
Result<DuplicateOutcome> FlagDuplicatesClassic(ToolContext& c, std::string_view pairPath, const DuplicateOptions& options, bool dryRun) {
    auto open = OpenFlaggingPair(pairPath, c, dryRun ? PairOpening::Look : PairOpening::Change);
    if (!open) return open.status();
    FlaggingPair& p = *open;
    const std::int32_t n = p.count;
    const int pause = PauseMilliseconds(options.CpuLevel);
    OpenProgressFor(c, n);

    DuplicateOutcome outcome;
    // Hash of a text -> the first messages with that hash and distinct texts.
    std::unordered_map<std::size_t, std::vector<std::int32_t>> firstCopies;
    const std::hash<std::string> hasher;
    for (std::int32_t k = 1; k <= n; ++k) {
        const std::int32_t outer = n - k + 1;
        ShowProgress(c, n, n - outer, outcome.flagged);
        if (StopAsked(c)) {
            outcome.stopped = true;
            break;
        }
        c.host.Progress("duplicates", k, n, "messages");
        const std::string text = ComparisonText(p.mbx().Fetch(p.toc().ReadSummary(k)), options);
        std::vector<std::int32_t>& candidates = firstCopies[hasher(text)];
        std::int32_t copyOf = 0;
        for (std::int32_t m : candidates) {
            if (ComparisonText(p.mbx().Fetch(p.toc().ReadSummary(m)), options) == text) {
                copyOf = m;
                break;
            }
        }
        if (copyOf > 0) {
            if (!dryRun) Flag(p.toc(), k, kClassicMarker);
            outcome.matches.push_back({k, copyOf});
            ++outcome.flagged;
            ShowProgress(c, n, n - outer, outcome.flagged);
        } else {
            candidates.push_back(k);
        }
        if (DividesBy100(outer)) c.host.Wait(pause);
    }
    return Finish(c, p, std::move(outcome), dryRun, msg::kTitle);
}

// Equivalent to comparing each checksum with every later one: the next later
// message with the same checksum is found by one walk from the end.
Result<DuplicateOutcome> FlagDuplicatesHash(ToolContext& c, std::string_view pairPath, const DuplicateOptions& options, bool dryRun) {
    auto open = OpenFlaggingPair(pairPath, c, dryRun ? PairOpening::Look : PairOpening::Change);
    if (!open) return open.status();
    FlaggingPair& p = *open;
    const std::int32_t n = p.count;
    const int pause = PauseMilliseconds(options.CpuLevel);
    ProgressState& pr = c.state.progress;
    OpenProgressFor(c, n);

    DuplicateOutcome outcome;
    c.host.Status("Starting first phase...");
    cCRC crc;
    crc.SetAlgorithm(1);
    std::vector<std::int32_t> sums;
    sums.reserve(static_cast<std::size_t>(n));
    for (std::int32_t i = 1; i <= n; ++i) {
        ShowProgress(c, n, i, 0);
        if (pr.ProgressShown) c.host.Status(kSearchInProgress);
        if (StopAsked(c)) {
            // Nothing is flagged yet; the search ends without a report.
            CloseProgressIfShown(c);
            outcome.stopped = true;
            outcome.silent = true;
            outcome.report = std::string(kStopped);
            return outcome;
        }
        c.host.Progress("duplicates", i, n, "messages");
        sums.push_back(crc.CalculateString(ComparisonText(p.mbx().Fetch(p.toc().ReadSummary(i)), options)));
        if (DividesBy100(i)) c.host.Wait(pause + 100);
    }

    if (pr.ProgressShown) {
        pr.ProgressMax = 100;
        pr.ProgressValue = 1;
        c.host.UpdateProgress();
    }
    c.host.Status("Starting second phase...");
    const auto count = static_cast<std::int32_t>(sums.size());
    // nextCopy[i]: the first j > i with the same checksum, 0 when none.
    std::vector<std::int32_t> nextCopy(sums.size() + 1, 0);
    std::unordered_map<std::int32_t, std::int32_t> seenLater;
    for (std::int32_t i = count; i >= 1; --i) {
        auto [it, inserted] = seenLater.try_emplace(sums[static_cast<std::size_t>(i - 1)], i);
        if (!inserted) {
            nextCopy[static_cast<std::size_t>(i)] = it->second;
            it->second = i;
        }
    }
    for (std::int32_t i = 1; i <= count - 1; ++i) {
        c.host.Wait(pause);
        ShowProgress(c, count, i, outcome.flagged);
        if (pr.ProgressShown) c.host.Status(kSearchInProgress);
        if (StopAsked(c)) {
            outcome.stopped = true;
            break;
        }
        if (const std::int32_t j = nextCopy[static_cast<std::size_t>(i)]; j > 0) {
            if (!dryRun) Flag(p.toc(), i, kHashMarker);
            outcome.matches.push_back({i, j});
            ++outcome.flagged;
            ShowProgress(c, count, i, outcome.flagged);
        }
    }
    return Finish(c, p, std::move(outcome), dryRun, kHashReportTitle);
}

}  // namespace ledgerly
