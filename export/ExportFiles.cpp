#include "export/ExportFiles.h"

#include <filesystem>

#include "app/FileHelpers.h"
#include "app/SafeFiles.h"
#include "app/TextHelpers.h"
#include "body/StripHtml.h"
#include "store/PairCheck.h"

namespace ledgerly {
namespace {

// Appends to the file, creating it when missing. A link at its name is not
// followed and anything but a regular file is refused: a file outside the
// folder must never be written through one.
Status AppendToFile(const std::string& path, std::string_view bytes) {
    auto file = FileHandle::OpenForAppending(path);
    if (!file) return file.status();
    if (Status s = file->Write(bytes); !s) return s;
    return file->Close();
}

std::string FieldValue(std::span<const char> field) { return TrimAtNull(std::string_view(field.data(), field.size())); }

}  // namespace

std::string ExportResult::StatusText() const { return std::to_string(written) + " messages exported."; }

std::string ExportResult::FailureReport() const {
    if (failures.empty()) return {};
    std::int64_t count = lacking;
    for (const ExportFailure& f : failures) count += f.message > 0 ? 1 : 0;
    std::string text = std::to_string(count) + (count == 1 ? " message was" : " messages were") + " not exported.";
    for (const ExportFailure& f : failures) {
        text += "\r\n";
        if (f.file.empty()) text += f.reason;
        else text += "Message " + std::to_string(f.message) + ": " + f.reason;  // the reason names the file
    }
    return text;
}

std::string ExportFileName(std::int32_t message, std::string_view subjectField, std::string_view extension) {
    std::string number = std::to_string(message);
    if (number.size() == 1) number.insert(0, "0");
    std::string subject = KeepAlphanumerics(TrimAtNull(subjectField));
    if (subject.empty()) subject = "NoSubject";
    return number + "-" + subject + "." + KeepAlphanumerics(extension);
}

std::string ExportText(std::string_view message, const MessageSummary& summary, HeaderMode headers, bool keepHtml) {
    SplitMessage repaired;
    SplitViews split = SplitWithoutCopy(message, repaired);
    std::string stripped;
    if (!keepHtml) split.body = stripped = StripHtml(split.body);
    std::string out;
    out.reserve(split.header.size() + split.body.size() + 16);
    switch (headers) {
    case HeaderMode::All:
        out += split.header;
        out += kCrLf;
        out += kCrLf;
        out += kCrLf;
        break;
    case HeaderMode::Compact:
        out += "Who: " + FieldValue(summary.Who) + "\r\n";
        out += "Subject: " + FieldValue(summary.Subject) + "\r\n";
        out += "Sent: " + FieldValue(summary.Date) + "\r\n";
        break;
    case HeaderMode::None:
        break;
    }
    out += split.body;
    out += kCrLf;
    return out;
}

Result<ExportResult> ExportToFiles(ToolContext& context, const MailboxPair& pair, const ExportOptions& options) {
    std::error_code ec;
    if (options.folder.empty() || !std::filesystem::is_directory(FsPath(options.folder), ec))
        return Result<ExportResult>::Fail("The folder '" + options.folder + "' does not exist.");

    auto opened = OpenReadablePair(pair);
    if (!opened) return opened.status();
    const TocImage& toc = opened->toc;
    const MailboxReader& mailbox = opened->mailbox;

    const std::string folder = WithTrailingSeparator(options.folder);
    ExportResult result;
    result.messages = toc.UsableCount();
    result.lacking = opened->lacking;
    for (const PairProblem& p : opened->unreadable)
        if (p.summary == 0) result.failures.push_back({0, {}, p.text});
    for (std::int32_t i = 1; i <= result.messages; ++i) {
        if (i % 100 == 0) context.host.Wait(100);
        if (const PairProblem* p = opened->Unreadable(i)) {
            result.failures.push_back({i, {}, p->text});
            continue;
        }
        const MessageSummary summary = toc.ReadSummary(i);
        const std::string path = folder + ExportFileName(i, FieldText(summary.Subject), options.extension);
        const std::string text = ExportText(mailbox.Fetch(summary), summary, options.headers, options.keepHtml);
        if (Status written = AppendToFile(path, text); written)
            ++result.written;
        else
            result.failures.push_back({i, path, written.error()});
        context.host.Status(std::to_string(i));
        context.host.Progress("export files", i, result.messages, "messages");
    }
    context.host.Status(result.StatusText());
    return result;
}

}  // namespace ledgerly
