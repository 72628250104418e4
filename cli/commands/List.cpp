// ledgerly-cli list MAILBOX.mbx [--json]: the TOC header and one row per summary.
#include <cstdio>
#include <iostream>
#include <sstream>

#include "app/Encoding.h"
#include "app/TextHelpers.h"
#include "cli/Cli.h"
#include "store/ColumnWidths.h"
#include "store/Mailbox.h"
#include "store/Toc.h"

namespace ledgerly::cli {
namespace {

// Characters of a UTF-8 text (continuation bytes are not counted).
std::size_t Width(std::string_view utf8) {
    std::size_t n = 0;
    for (char c : utf8)
        if ((static_cast<unsigned char>(c) & 0xC0) != 0x80) ++n;
    return n;
}

// Cut to `width` characters or padded with spaces to it.
std::string Column(std::string_view utf8, std::size_t width) {
    std::string out;
    std::size_t chars = 0;
    for (std::size_t i = 0; i < utf8.size(); ++i) {
        const bool lead = (static_cast<unsigned char>(utf8[i]) & 0xC0) != 0x80;
        if (lead && chars == width) break;
        if (lead) ++chars;
        out.push_back(utf8[i]);
    }
    out.append(width - std::min(width, Width(out)), ' ');
    return out;
}

std::string Text(std::span<const char> field) { return TrimAtNull(std::string_view(field.data(), field.size())); }
std::string Json(std::span<const char> field) { return JsonString(Cp1252ToUtf8(Text(field))); }

const char* TypeName(std::int16_t type) { return type == 0 ? "in" : type == 1 ? "out" : "mailbox"; }

void Register(CLI::App& app, Env& env) {
    auto* cmd = app.add_subcommand("list", "Show a mailbox's TOC header and its message summaries");
    static std::string mailbox;
    static bool json = false;
    cmd->add_option("MAILBOX", mailbox, kMailboxHelp)->required();
    cmd->add_flag("--json", json, "Print JSON instead of a table");
    cmd->callback([&env] {
        const std::string mbx = env.MailboxPath(mailbox);
        if (!env.CheckMailbox(mbx, FileChecks::TocOnly, false)) return;
        const MailboxPair pair = MailboxPair::FromMailboxPath(mbx);
        auto toc = TocImage::Load(pair.toc());
        if (!toc) { env.Fail(toc.error()); return; }
        if (!toc->HasHeader()) {
            env.Fail("The TOC file '" + PathForTerminal(pair.toc()) + "' holds " + std::to_string(toc->bytes().size()) +
                     " bytes, less than its 104-byte header.");
            return;
        }
        const TocHeader h = toc->ReadHeader();
        const std::int32_t announced = h.MessageCount, usable = toc->UsableCount();
        if (announced < 0)
            std::cerr << "warning: the TOC header announces " << announced << " messages; it is read as empty.\n";
        else if (usable < announced)
            std::cerr << "warning: the TOC header announces " << announced << " summaries but the file holds only " << usable
                      << " complete ones; only those are listed.\n";

        std::ostringstream out;
        // The slots of a version 0x31 header are S, Junk, P, A, Label, Who, Date, K.
        const auto columns = ColumnSlotNames(h);
        if (json) {
            out << "{\"toc\":" << JsonString(pair.toc()) << ",\"name\":" << Json(h.MailboxName) << ",\"type\":" << h.MailboxType
                << ",\"version\":" << (h.Version() & 0xFF) << ",\"columnWidths\":[";
            for (std::size_t i = 0; i < h.ColumnWidths.size(); ++i) out << (i ? "," : "") << h.ColumnWidths[i];
            out << "],\"columnNames\":[";
            for (std::size_t i = 0; i < columns.size(); ++i) out << (i ? "," : "") << JsonString(columns[i]);
            out << "],\"messageCount\":" << announced << ",\"listed\":" << usable << ",\"summaries\":[";
        } else {
            out << "Mailbox:  " << ForTerminal(Text(h.MailboxName)) << "  (type " << h.MailboxType << ", " << TypeName(h.MailboxType) << ")\n";
            out << "Columns: ";
            for (std::size_t i = 0; i < h.ColumnWidths.size(); ++i) out << ' ' << columns[i] << '=' << h.ColumnWidths[i];
            out << "\nMessages: " << announced;
            if (usable != announced) out << " announced, " << usable << " listed";
            out << "\n\n";
            out << "    #     Offset   Length Status Flags Pri Date                        Who                       Subject\n";
        }
        for (std::int32_t k = 1; k <= usable; ++k) {
            const MessageSummary s = toc->ReadSummary(k);
            if (json) {
                out << (k > 1 ? "," : "") << "{\"index\":" << k << ",\"offset\":" << s.Offset << ",\"length\":" << s.Length
                    << ",\"status\":" << s.Status << ",\"attachmentFlags\":" << static_cast<int>(s.AttachmentFlags)
                    << ",\"priority\":" << s.Priority << ",\"date\":" << Json(s.Date) << ",\"who\":" << Json(s.Who)
                    << ",\"subject\":" << Json(s.Subject) << "}";
            } else {
                const std::string date = ForTerminal(Text(s.Date)), who = ForTerminal(Text(s.Who)), subject = ForTerminal(Text(s.Subject));
                char nums[80];
                std::snprintf(nums, sizeof nums, "%5d %10d %8d %6d  0x%02X %3d ", k, s.Offset, s.Length, s.Status,
                              static_cast<unsigned>(s.AttachmentFlags), s.Priority);
                out << nums << Column(date, 27) << ' ' << Column(who, 25) << ' ' << subject << '\n';
            }
        }
        if (json) out << "]}\n";
        std::cout << out.str() << std::flush;
    });
}

const CommandRegistrar registrar(10, &Register);

}  // namespace
}  // namespace ledgerly::cli
