// The least `export files` can do: each message's bytes, as they stand in the
// mailbox file, appended to its own file under the name the export gives it.
// The yardstick of bench/run for the export. Usage: export_floor MAILBOX.mbx DIR
#include <cstdio>
#include <memory>
#include <string>

#include "export/ExportFiles.h"
#include "store/Mailbox.h"
#include "store/Toc.h"

int main(int argc, char** argv) {
    using namespace ledgerly;
    if (argc != 3) {
        std::fprintf(stderr, "usage: export_floor MAILBOX.mbx DIR\n");
        return 2;
    }
    const MailboxPair pair = MailboxPair::FromMailboxPath(argv[1]);
    auto toc = TocImage::Load(pair.toc());
    auto mailbox = MailboxReader::Open(pair.mbx());
    if (!toc || !mailbox) {
        std::fprintf(stderr, "cannot read %s\n", argv[1]);
        return 1;
    }
    const std::string folder = std::string(argv[2]) + "/";
    struct Closer { void operator()(std::FILE* f) const { if (f) std::fclose(f); } };
    for (std::int32_t i = 1; i <= toc->UsableCount(); ++i) {
        const MessageSummary s = toc->ReadSummary(i);
        const std::string text = mailbox->Fetch(s);
        std::unique_ptr<std::FILE, Closer> f(std::fopen((folder + ExportFileName(i, FieldText(s.Subject), "txt")).c_str(), "ab"));
        if (!f || std::fwrite(text.data(), 1, text.size(), f.get()) != text.size() || std::fclose(f.release()) != 0) return 1;
    }
    return 0;
}
