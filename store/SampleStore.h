#pragma once
// A small but realistic Eudora data folder, written by code: the store the
// run command opens, the tests work on and the examples use. Deterministic:
// the same bytes every time (fixed dates), apart from the absolute paths of
// the folder itself that the attachment lines name.
//
// Layout:
//   In.mbx  Out.mbx  Trash.mbx  Junk.mbx  Glued.mbx  Friends.mbx  descmap.pce  eudora.ini
//   Work.fol/descmap.pce  Work.fol/Projects.mbx
//   Work.fol/Archive.fol/descmap.pce  Work.fol/Archive.fol/Old.mbx
//   attach/  Embedded/  Nickname/  Scripts/
#include <cstdint>
#include <string>
#include <vector>

#include "app/Host.h"
#include "app/Result.h"

namespace ledgerly {

struct PlantedReference {
    std::string fileName;     // the file name the reference ends in
    std::string writtenPath;  // the path exactly as the mail names it
    std::string mailbox;      // absolute path of the .mbx file that holds it
};

struct PlantedDuplicates {
    std::string mailbox;                 // absolute path of the .mbx file
    std::vector<std::int32_t> summaries; // 1-based summary numbers, the first is the original
    bool identicalBytes = true;          // false: the copies differ in the delimiter line only
};

struct SampleStoreInfo {
    std::string folder;                      // the data folder, ending in the separator
    std::vector<std::string> mailboxes;      // absolute .mbx paths, in the order written
    std::vector<PlantedReference> brokenReferences;  // "Attachment Converted: " lines whose file is not there
    std::vector<std::string> workingAttachments;     // absolute paths of files that mail names and that exist
    // Files of attach/ that no message refers to: the orphans a finder lists.
    // attach/moved.pdf is not one of them: mail still names it, by its old
    // location, and a link repair points that reference at it again.
    std::vector<std::string> orphanedFiles;
    std::string movedFile;                   // attach/moved.pdf: where the broken '.../OldAttach/moved.pdf' now lies
    std::vector<PlantedDuplicates> duplicates;
    std::string eudoraIni;                   // <folder>eudora.ini
    std::string attachFolder;                // <folder>attach/
};

// Writes the sample store into `folder` (created when missing). Refuses a
// folder that exists and is not empty, so that no real data is overwritten.
Result<SampleStoreInfo> WriteSampleStore(const std::string& folder);

struct GeneratedMailboxInfo {
    std::int32_t messages = 0;
    std::int64_t mailboxBytes = 0;
    std::int32_t duplicates = 0;  // messages that repeat an earlier one (bytes or all but the delimiter)
};

// A large mailbox pair for benchmarks: '<pairPath>mbx' and '<pairPath>toc'
// with `messageCount` (1 to 32,767) varied messages (plain, HTML, quoted-
// printable, links, addresses, attachment lines, duplicates), about 6 KB each
// on average; the same seed gives the same bytes. Existing files are replaced.
// With `targetBytes` the messages are padded with more paragraphs so that the
// mailbox comes to about that size (never less than the unpadded one).
inline constexpr std::int64_t kMaxGeneratedBytes = 2'000'000'000;  // leaves rewrites room below 2 GB
// The count of messages written goes to `host` when one is given.
Result<GeneratedMailboxInfo> WriteGeneratedMailbox(const std::string& pairPath, std::int32_t messageCount, std::uint32_t seed,
                                                   std::int64_t targetBytes = 0, Host* host = nullptr);

}  // namespace ledgerly
