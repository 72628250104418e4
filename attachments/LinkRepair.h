#pragma once
// Attachment link repair: lists the "Attachment Converted: " and
// "X-Attachments: " references of one mailbox whose file no longer exists,
// and rewrites the mailbox with new paths or with the references removed,
// keeping the TOC file consistent.
#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "app/Host.h"
#include "app/Result.h"
#include "app/WindowsPaths.h"
#include "attachments/PatternSet.h"

namespace ledgerly {

enum class LinkState {
    Inicijalno,  // found, no decision yet
    Postoji,     // a new location is set and a file exists there
    NePostoji,   // a new location is set but no file exists there
    ZaBrisanje,  // the reference is to be removed from the message
};
// The image key of a state: "inicijalno", "postoji", "ne_postoji", "za_brisanje".
const char* LinkStateKey(LinkState state);

struct BrokenLink {
    std::string fileName;          // file name of the old path
    std::string sender;            // the message's Who, trimmed
    std::string originalLocation;  // the path as the message names it
    std::string newLocation;       // local path; empty until set
    LinkState state = LinkState::Inicijalno;
};

// The local file a reference names: the path as written or spelled in
// UTF-8, a Windows path looked up where it maps to; nullopt when no file is
// there (a Windows path that maps to nothing names no file).
std::optional<std::string> LocalFileOfReference(const std::string& path, const PathMapper& mapper);
// Whether the file a reference names exists.
bool ReferencedFileExists(const std::string& path, const PathMapper& mapper);

// Appends the broken references of one message text, in line order.
void ObradaZakacenog(std::string_view teloPoruke, std::string_view posiljalac, const PathMapper& mapper,
                     std::vector<BrokenLink>& rows);

// Every broken reference of the pair, in message order. Shows the number of
// each message read in the host's status bar.
Result<std::vector<BrokenLink>> FindBrokenLinks(const std::string& mbxPath, const PathMapper& mapper, Host& host);

// Set: the new location is `folder` + the file name; its state tells whether
// a file exists there.
void SetNewLocation(BrokenLink& row, const std::string& folder);
void MarkForRemoval(BrokenLink& row);
void ResetLink(BrokenLink& row);
// True when some row asks for a change.
bool HasDecisions(const std::vector<BrokenLink>& rows);

// The message text with every row applied in order: a row marked for removal
// deletes its old path (any letter case), a row with a new location replaces
// it by `newLocationForMail(row)`. Returns the number of rows that changed
// the text.
int ApplyLinks(std::string& text, const std::vector<BrokenLink>& rows, const PathMapper& mapper);

// The rows' decisions prepared once for a whole mailbox: Apply gives the
// same text and count as ApplyLinks, but finds the rows that concern a
// message in one scan of it, however many rows there are.
class LinkEdits {
public:
    LinkEdits(const std::vector<BrokenLink>& rows, const PathMapper& mapper);
    int Apply(std::string& text) const;

private:
    struct Edit {
        std::string original, replacement;
        int pattern = 0;
    };
    std::vector<Edit> edits_;                  // rows with a decision, in row order
    std::vector<std::vector<int>> byPattern_;  // pattern id -> its edits, ascending
    PatternSet patterns_;
};

struct RewriteReport {
    std::string tocBackup, mbxBackup;
    std::int32_t messages = 0;
    std::int64_t changes = 0;
    std::int64_t uncoveredBytes = 0;  // mailbox bytes no summary covered: left out, kept in the backup
    std::string recovered;            // what finishing an interrupted rewrite did
    // The closing text: the "Done" text, plus what recovery did and the
    // left-out bytes when there were any.
    std::string Closing() const;
};

// The Update: refuses while Eudora runs, then, through one PairTransaction,
// checks and backs up the pair and replaces both files at once with every
// message rewritten. Nothing changes when a step before the replacement
// fails, or when the host asks to stop (looked at before each message).
Result<RewriteReport> RewriteAttachmentLinks(ToolContext& context, const std::string& mbxPath,
                                             const std::vector<BrokenLink>& rows, const PathMapper& mapper,
                                             bool pauses = true);

inline constexpr const char* kNoBrokenLinks = "No broken attachment-references found.";
std::string BrokenCountText(std::size_t rows);
std::string FolderMissingText(const std::string& folderText);

}  // namespace ledgerly
