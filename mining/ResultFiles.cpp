#include "mining/ResultFiles.h"

#include <cerrno>
#include <cstdio>
#include <cstring>
#include <filesystem>

#include "app/Encoding.h"
#include "app/FileHelpers.h"
#include "app/Messages.h"
#include "app/TextHelpers.h"

namespace ledgerly {
namespace {
constexpr std::string_view kCrLf = "\r\n";
constexpr std::size_t kNicknameNameLimit = 30;
}  // namespace

std::string LinkHistoryRecord(std::string_view text) {
    std::string r;
    r.append(kCrLf).append(text).append(kCrLf).append(kCrLf).append(kCrLf);
    r.append("0 0 1 20").append(kCrLf).append("---end").append(kCrLf);
    return r;
}

std::string AddressHistoryLine(std::string_view tag) { return std::string(tag) + std::string(kCrLf); }

std::string NicknameLines(std::string_view text, std::string_view mailboxName) {
    std::string r = "alias ";
    r.append(text).append(" ").append(text).append(kCrLf);
    r.append("note ").append(text).append(" Extracted from mailbox: ").append(mailboxName).append(kCrLf);
    return r;
}

std::string NicknameFileName(std::string_view mailboxName) {
    if (mailboxName.size() > kNicknameNameLimit) mailboxName = mailboxName.substr(0, kNicknameNameLimit);
    const std::string name = TrimSpaces(mailboxName);
    // A name of spaces alone would leave the hidden file ".txt".
    return name.empty() ? "extracted.txt" : name + ".txt";
}

std::string ExportString(std::string_view mailboxName, const std::vector<std::string>& texts, ExportFormat format) {
    const std::string_view separator = format == ExportFormat::Csv ? "," : format == ExportFormat::Tab ? "\t" : kCrLf;
    std::string r(mailboxName);
    for (const std::string& t : texts) r.append(separator).append(t);
    return r;
}

Status AppendToFile(const std::string& path, std::string_view bytes) {
    std::FILE* f = OpenStdFile(path, "ab");
    if (!f) return Status::Fail("Cannot open '" + path + "' for writing: " + std::strerror(errno) + ".");
    const bool written = std::fwrite(bytes.data(), 1, bytes.size(), f) == bytes.size();
    const bool flushed = std::fflush(f) == 0;
    const bool closed = std::fclose(f) == 0;
    if (!written || !flushed || !closed) return Status::Fail("Writing to '" + path + "' failed.");
    return {};
}

Status AddToHistory(ToolContext& context, MinerMode mode, const std::vector<MinerEntry>& entries) {
    if (context.host.EudoraRunning()) return Status::Fail(msg::kCloseEudora);
    const bool links = mode == MinerMode::Links;
    const std::string& path = links ? context.state.paths.LinkHistoryPath : context.state.paths.AddressHistoryPath;
    if (path.empty()) return Status::Fail("No data folder: the history file is unknown.");
    std::string bytes;
    for (const MinerEntry& e : entries) bytes += links ? LinkHistoryRecord(e.text) : AddressHistoryLine(e.tag);
    return AppendToFile(path, bytes);
}

Result<std::string> AddToAddressBook(ToolContext& context, std::string_view mailboxName, const std::vector<MinerEntry>& entries) {
    if (context.host.EudoraRunning()) return Status::Fail(msg::kCloseEudora);
    if (context.state.paths.NicknameFolder.empty()) return Status::Fail("No data folder: the Nickname folder is unknown.");
    // The name is Windows-1252 text; the file is named as the file system spells it.
    const std::string path = context.state.paths.NicknameFolder + Cp1252ToUtf8(NicknameFileName(mailboxName));
    // The folder is made by the first entry written into it.
    std::error_code ec;
    const std::filesystem::path folder = FsPath(context.state.paths.NicknameFolder);
    if (!std::filesystem::is_directory(folder, ec) && !std::filesystem::create_directories(folder, ec))
        return Status::Fail("Cannot create the folder '" + context.state.paths.NicknameFolder + "': " + ec.message());
    std::string bytes;
    for (const MinerEntry& e : entries) bytes += NicknameLines(e.text, mailboxName);
    if (Status s = AppendToFile(path, bytes); !s) return s;
    return path;
}

}  // namespace ledgerly
