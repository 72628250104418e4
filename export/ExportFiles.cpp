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
    std::unique_ptr<std::FILE, FileCloser> f(std::fopen(path.c_str(), "ab"));
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
    const ExportFailure& first = failures.front();
    std::string text = std::to_string(failures.size()) + (failures.size() == 1 ? " message was" : " messages were") +
                       " not exported. Message " + std::to_string(first.message) + " could not be written to '" +
                       first.file + "': " + first.reason + ".";
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
    if (options.folder.empty() || !std::filesystem::is_directory(options.folder, ec))
        return Result<ExportResult>::Fail("The folder '" + options.folder + "' does not exist.");

    auto opened = OpenCheckedPair(pair);
    if (!opened) return opened.status();
    const TocImage& toc = opened->toc;
    const MailboxReader& mailbox = opened->mailbox;

    const std::string folder = WithTrailingSeparator(options.folder);
    ExportResult result;
    result.messages = toc.UsableCount();
    for (std::int32_t i = 1; i <= result.messages; ++i) {
        if (i % 100 == 0) context.host.Wait(100);
        const MessageSummary summary = toc.ReadSummary(i);
        const std::string path = folder + ExportFileName(i, FieldText(summary.Subject), options.extension);
        const std::string text = ExportText(mailbox.Fetch(summary), summary, options.headers, options.keepHtml);
        if (std::string why = AppendToFile(path, text); why.empty())
            ++result.written;
        else
            result.failures.push_back({i, path, std::move(why)});
        context.host.Status(std::to_string(i));
    }
    context.host.Status(result.StatusText());
    return result;
}

}  // namespace ledgerly
