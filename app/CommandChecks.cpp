#include "app/CommandChecks.h"

#include "app/FileHelpers.h"
#include "app/Messages.h"

namespace ledgerly {

std::string TocPathOf(std::string_view mbxKey) { return PartnerPath(mbxKey, "toc"); }

std::optional<std::string> CheckSelection(std::string_view key, FileChecks files, bool refuseWhileEudoraRuns, Host& host) {
    const bool mbx = FileExists(WithExtensionAsFound(key));
    const bool toc = FileExists(TocPathOf(key));
    switch (files) {
        case FileChecks::MbxThenToc:
            if (!mbx) return msg::kMbxNotFound;
            if (!toc) return msg::kTocNotFound;
            break;
        case FileChecks::TocThenMbx:
            if (!toc) return msg::kTocNotFound;
            if (!mbx) return msg::kMbxNotFound;
            break;
        case FileChecks::MbxOnly:
            if (!mbx) return msg::kMbxNotFound;
            break;
        case FileChecks::TocOnly:
            if (!toc) return msg::kTocNotFound;
            break;
        case FileChecks::None: break;
    }
    if (refuseWhileEudoraRuns && host.EudoraRunning()) return msg::kCloseEudora;
    return std::nullopt;
}

}  // namespace ledgerly
