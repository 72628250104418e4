// ledgerly-cli export mbox|maildir|eml SOURCE DEST [--json]
// A mailbox, or a mail folder with the tree below it, as mail other programs
// read. What was written on stdout (the report as JSON with --json), the
// reason on stderr, exit status 1 when anything is missing.
#include <filesystem>
#include <iostream>

#include "app/FileHelpers.h"
#include "cli/Cli.h"
#include "migrate/MailExport.h"

namespace ledgerly::cli {
namespace {

// A JSON string from bytes that should be UTF-8: a byte that does not start
// a valid sequence is written as the character of its value, so the output
// is always valid UTF-8.
std::string Json(std::string_view text) {
    std::string out = "\"";
    for (std::size_t i = 0; i < text.size();) {
        const auto b = static_cast<unsigned char>(text[i]);
        std::size_t len = b < 0x80 ? 1 : (b & 0xE0) == 0xC0 && b >= 0xC2 ? 2 : (b & 0xF0) == 0xE0 ? 3 : (b & 0xF8) == 0xF0 && b <= 0xF4 ? 4 : 0;
        for (std::size_t k = 1; k < len; ++k)
            if (i + k >= text.size() || (static_cast<unsigned char>(text[i + k]) & 0xC0) != 0x80) len = 0;
        if (len == 3 && ((b == 0xE0 && static_cast<unsigned char>(text[i + 1]) < 0xA0) || (b == 0xED && static_cast<unsigned char>(text[i + 1]) >= 0xA0)))
            len = 0;  // overlong, or a surrogate
        if (len == 4 && ((b == 0xF0 && static_cast<unsigned char>(text[i + 1]) < 0x90) || (b == 0xF4 && static_cast<unsigned char>(text[i + 1]) >= 0x90)))
            len = 0;
        char buf[8];
        if (len == 0 || (len == 1 && (b < 0x20 || b == 0x7F))) {
            std::snprintf(buf, sizeof buf, "\\u%04x", b);
            out += buf;
            ++i;
        } else if (b == '"' || b == '\\') {
            out.push_back('\\');
            out.push_back(static_cast<char>(b));
            ++i;
        } else {
            out.append(text.substr(i, len));
            i += len;
        }
    }
    return out + "\"";
}

std::string JsonReport(const MailExportReport& r) {
    std::string out = "{\"format\":" + Json(FormatName(r.format)) + ",\"source\":" + Json(r.source) + ",\"destination\":" +
                      Json(r.destination) + ",\"report\":" + Json(r.reportFile) + ",\"complete\":" + (r.Complete() ? "true" : "false") +
                      ",\"stopped\":" + (r.stopped ? "true" : "false") + ",\"mailboxes\":[";
    for (std::size_t i = 0; i < r.mailboxes.size(); ++i) {
        const MailboxExport& m = r.mailboxes[i];
        out += std::string(i ? "," : "") + "{\"source\":" + Json(m.source) + ",\"name\":" + Json(m.label) + ",\"output\":" + Json(m.output) +
               ",\"messages\":" + std::to_string(m.messages) + ",\"written\":" + std::to_string(m.written) + ",\"readBack\":" +
               std::to_string(m.readBack) + ",\"attachments\":" + std::to_string(m.attachments) + ",\"attachmentsReadBack\":" +
               std::to_string(m.attachmentsChecked) + ",\"missingFiles\":[";
        for (std::size_t k = 0; k < m.missing.size(); ++k)
            out += std::string(k ? "," : "") + "{\"message\":" + std::to_string(m.missing[k].message) + ",\"file\":" +
                   Json(ForTerminal(m.missing[k].file)) + "}";
        out += "],\"notConverted\":[";
        for (std::size_t k = 0; k < m.unconverted.size(); ++k)
            out += std::string(k ? "," : "") + "{\"message\":" + std::to_string(m.unconverted[k].message) + ",\"reason\":" +
                   Json(m.unconverted[k].reason) + "}";
        out += "],\"problems\":[";
        for (std::size_t k = 0; k < m.problems.size(); ++k) out += std::string(k ? "," : "") + Json(m.problems[k]);
        out += "]}";
    }
    return out + "]}\n";
}

// A folder, or a mailbox named by its .mbx, its .toc or its pair path; a
// relative one is taken inside --data-folder when that is given.
std::string SourcePath(const Env& env, const std::string& arg) {
    std::error_code ec;
    const bool relative = !arg.empty() && arg.front() != kPathSeparator;
    if (relative && !env.dataFolderOption.empty()) {
        const std::string inside = WithTrailingSeparator(env.dataFolderOption) + arg;
        if (std::filesystem::is_directory(inside, ec)) return inside;
    }
    if (std::filesystem::is_directory(arg, ec)) return arg;
    return env.MailboxPath(arg);
}

void RegisterFormat(CLI::App& parent, Env& env, MailFormat format, const char* description) {
    auto* cmd = parent.add_subcommand(std::string(FormatName(format)), description);
    struct Args {
        std::string source, destination;
        bool json = false;
    };
    static Args args[3];
    Args& a = args[static_cast<int>(format)];
    cmd->add_option("SOURCE", a.source, "A mailbox (.mbx) or a mail folder (then the whole tree below it)")->required();
    cmd->add_option("DEST", a.destination, "The folder to write into (made when missing); export-report.txt is written there too")
        ->required();
    cmd->add_flag("--json", a.json, "Print the report as JSON");
    cmd->callback([&env, &a, format] {
        MailExportOptions options;
        options.format = format;
        options.source = SourcePath(env, a.source);
        options.destination = a.destination;
        options.dataFolder = env.dataFolderOption;
        auto report = ExportMail(options, env.host);
        env.host.EndStatusLine();
        if (!report) {
            env.Fail(report.error());
            return;
        }
        std::cout << (a.json ? JsonReport(*report) : report->Summary()) << std::flush;
        if (!report->reportError.empty()) env.Fail("The report could not be written: " + report->reportError);
        if (!report->Complete()) {
            const std::int64_t files = report->MissingFiles(), messages = report->Unconverted();
            env.Fail("Not everything was exported" + std::string(report->stopped ? " (stopped)" : "") + ": " + std::to_string(files) +
                     (files == 1 ? " file" : " files") + " missing, " + std::to_string(messages) +
                     (messages == 1 ? " message" : " messages") + " not converted" +
                     (report->reportFile.empty() ? std::string(".") : "; " + report->reportFile + " lists them."));
        }
    });
}

void Register(CLI::App& app, Env& env) {
    CLI::App* exportCommand = app.get_subcommand("export");
    RegisterFormat(*exportCommand, env, MailFormat::Mbox,
                   "Write mailboxes as mbox files, folders as Thunderbird's Name.sbd folders (copy them into Local Folders)");
    RegisterFormat(*exportCommand, env, MailFormat::Maildir, "Write one Maildir per mailbox, nested as the mail folder tree");
    RegisterFormat(*exportCommand, env, MailFormat::Eml, "Write one .eml file per message, a folder per mailbox");
}

// After "export" itself (Export.cpp).
const CommandRegistrar registrar(71, &Register);

}  // namespace
}  // namespace ledgerly::cli
