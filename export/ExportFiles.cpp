#include "export/ExportFiles.h"

#include <cerrno>
#include <cstdio>
#include <cstring>
#include <filesystem>
#include <memory>

#include "app/FileHelpers.h"
#include "app/TextHelpers.h"
#include "body/StripHtml.h"
#include "store/PairCheck.h"

namespace ledgerly {
namespace {

struct FileCloser {
    void operator()(std::FILE* f) const { if (f) std::fclose(f); }
};

// Appends to the file, creating it when missing; empty on success, else why not.
std::string AppendToFile(const std::string& path, std::string_view bytes) {
    std::unique_ptr<std::FILE, FileCloser> f(OpenStdFile(path, "ab"));
    if (!f) return std::strerror(errno);
    if (!bytes.empty() && std::fwrite(bytes.data(), 1, bytes.size(), f.get()) != bytes.size()) return std::strerror(errno);
    if (std::fclose(f.release()) != 0) return std::strerror(errno);
    return {};
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
        else text += "Message " + std::to_string(f.message) + " could not be written to '" + f.file + "': " + f.reason + ".";
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
    SplitMessage split = NormaliseAndSplit(std::string(message));
    if (!keepHtml) split.body = StripHtml(split.body);
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
        if (std::string why = AppendToFile(path, text); why.empty())
            ++result.written;
        else
            result.failures.push_back({i, path, std::move(why)});
        context.host.Status(std::to_string(i));
        context.host.Progress("export files", i, result.messages, "messages");
    }
    context.host.Status(result.StatusText());
    return result;
}

}  // namespace ledgerly
