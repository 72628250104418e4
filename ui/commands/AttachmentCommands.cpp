// The attachment tools' menu commands: link repair for the selected mailbox
// (also the Special Tools palette's "link_attachments" button) and the
// orphaned attachment finder for the root folder.
#include "app/FileHelpers.h"
#include "ui/CommandPattern.h"
#include "ui/CommandRegistry.h"
#include "ui/MainWindowApi.h"
#include "ui/LinkAttachmentsDialog.h"
#include "ui/OrphanedAttachmentsDialog.h"

namespace ledgerly::ui {
namespace {

void UpdateAttachmentLinks(MainWindowApi& main) {
    if (!CheckMailboxCommand(main, FileChecks::TocThenMbx, false)) return;
    const std::string key = main.selectedKey();
    // The node's text names the mailbox; a window without a tree text falls back to the file name.
    const QString text = main.selectedText();
    LinkAttachmentsDialog window(main, key, text.isEmpty() ? QString::fromStdString(GetFileName(key, true)) : text, main.window());
    const bool found = window.load();  // the search runs off the UI thread
    if (found) window.exec();
    else window.reject();  // closes without showing; the folder setting is still kept
}

void FindAttachments(MainWindowApi& main) {
    if (main.treeEmpty() || main.selectedTag() != "root") return;
    const std::string key = main.selectedKey();
    const QString text = main.selectedText();
    OrphanedAttachmentsDialog window(main, key, text.isEmpty() ? QString::fromStdString(GetFolderName(key)) : text, main.window());
    window.exec();
}

const CommandRegistrar linkAttachments("menuUpdateAttachmentLinks", &UpdateAttachmentLinks);
const CommandRegistrar findAttachments("menuFindAttachments", &FindAttachments);

}  // namespace
}  // namespace ledgerly::ui
