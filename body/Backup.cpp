#include "body/Backup.h"

#include "app/FileHelpers.h"
#include "app/SafeFiles.h"
#include "store/Mailbox.h"

namespace ledgerly {

Result<std::string> CreateBackup(AppState& state, const std::string& path) {
    if (!FileExists(path)) return std::string();
    auto number = FreeBackupNumber({path});
    auto name = number ? CopyToBackup(path, *number) : Result<std::string>(number.status());
    if (!name) return Result<std::string>::Fail(JoinSentences(name.error(), "Nothing was changed."));
    if (EndsWithNoCase(path, "toc")) state.TocBackupPath = *name;
    else if (EndsWithNoCase(path, "mbx")) state.MbxBackupPath = *name;
    return name;
}

Result<PairBackup> BackupPair(AppState& state, const std::string& pairPath) {
    auto made = BackUpPair(MailboxPair{pairPath});
    if (!made) return Result<PairBackup>::Fail(JoinSentences(made.error(), "Nothing was changed."));
    if (!made->toc.empty()) state.TocBackupPath = made->toc;
    if (!made->mbx.empty()) state.MbxBackupPath = made->mbx;
    return made;
}

}  // namespace ledgerly
