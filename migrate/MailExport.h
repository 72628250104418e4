#pragma once
// Moving mail out of Eudora: one mailbox, or a mail folder with the tree
// below it, written as mbox (Thunderbird's local-folder layout: "Name" and
// "Name.sbd/" for a folder's children), as one Maildir per mailbox, or as one
// .eml file per message. Every message is rebuilt as MIME with its files
// embedded, written under a temporary name and renamed when complete, then
// parsed back and its attachments checksummed; the report says what was
// written, what is missing and why. The source is only read.
#include <cstdint>
#include <string>
#include <vector>

#include "app/Host.h"
#include "app/Result.h"
#include "migrate/MailFormats.h"

namespace ledgerly {

inline constexpr const char* kExportReportName = "export-report.txt";

struct MailExportOptions {
    MailFormat format = MailFormat::Mbox;
    std::string source;       // a mailbox (.mbx, .toc or the pair path) or a folder
    std::string destination;  // made when missing
    // Eudora's data folder: where Windows paths in mail lead and where the
    // Embedded folder is. Empty: the first folder above the source that is
    // not a mail folder (*.fol).
    std::string dataFolder;
};

struct MissingFile {
    std::int32_t message = 0;  // summary number, from 1
    std::string file;          // as the mail names it (Windows-1252)
};

struct UnconvertedMessage {
    std::int32_t message = 0;
    std::string reason;
};

struct MailboxExport {
    std::string source;  // the .mbx file
    std::string label;   // folder and mailbox names as the tree shows them, joined by "/" (UTF-8)
    std::string output;  // what was written, relative to the destination (UTF-8)
    std::int32_t messages = 0;  // what the TOC announces
    std::int32_t written = 0;
    std::int32_t readBack = 0;  // messages parsed again after writing
    std::int64_t attachments = 0;        // files embedded
    std::int64_t attachmentsChecked = 0; // of those, decoded again to their file's bytes
    std::vector<MissingFile> missing;
    std::vector<UnconvertedMessage> unconverted;
    std::vector<std::string> problems;  // the mailbox's own: unreadable, not written, read back wrong
    bool Complete() const;
};

struct MailExportReport {
    MailFormat format = MailFormat::Mbox;
    std::string source, destination;
    std::vector<MailboxExport> mailboxes;
    bool stopped = false;
    std::string reportFile;   // the report written into the destination; empty when it could not be
    std::string reportError;  // why not

    std::int64_t Messages() const;
    std::int64_t Written() const;
    std::int64_t Attachments() const;
    std::int64_t MissingFiles() const;
    std::int64_t Unconverted() const;
    // Every message written and read back, every file found, nothing stopped.
    bool Complete() const;
    std::string Text() const;     // what export-report.txt holds (UTF-8)
    std::string Summary() const;  // one line per mailbox and the total
};

// Refuses, writing nothing, when the source cannot be read, the destination
// cannot be made, or something the export would write is there already.
// Otherwise exports what can be read and reports the rest; progress goes to
// `host` (Progress), which may also ask it to stop between messages (the
// mailbox being written is then left out whole).
Result<MailExportReport> ExportMail(const MailExportOptions& options, Host& host);

}  // namespace ledgerly
