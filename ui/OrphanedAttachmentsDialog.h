#pragma once
// The orphaned attachment finder: lists the files of the chosen folders that
// no mailbox of the selected mail folder refers to, and copies, moves or wipes
// them. Modal; a scan keeps the window live through its pauses, and closing
// the window ends a running scan.
#include <QDialog>
#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "attachments/OrphanFinder.h"

class QButtonGroup;
class QGroupBox;
class QListWidget;
class QPushButton;
class QRadioButton;
class QStatusBar;
class QTreeWidget;
class QTreeWidgetItem;

namespace ledgerly::ui {

class MainWindowApi;
class AttachmentWindowHost;

class OrphanedAttachmentsDialog : public QDialog {
    Q_OBJECT
public:
    // `folderKey` is the selected tree folder (ending in the separator), `folderText` its text.
    OrphanedAttachmentsDialog(MainWindowApi& main, const std::string& folderKey, const QString& folderText, QWidget* parent = nullptr);
    ~OrphanedAttachmentsDialog() override;

    std::size_t mailboxCount() const { return mailboxes_.size(); }
    bool scanning() const { return scanning_; }
    // How files and folders are opened (the desktop's handler); tests replace it.
    std::function<void(const QString&)> openWithShell;

    void scan();
    void stop();
    void addFolder();
    void removeFolder();
    void modeChanged();
    void copySelectedFiles(bool move);
    void wipe();
    void folderDoubleClicked();
    void resultDoubleClicked();

protected:
    void done(int r) override;

private:
    void enableScanControls(bool on);
    void updateFileButtons();
    FinderMode mode() const;
    std::vector<ResultRow> rowsOfList(std::vector<std::size_t>& selected, std::vector<QTreeWidgetItem*>& items) const;
    void addFolderRow(const std::string& path);

    MainWindowApi& main_;
    std::string folderKey_;
    std::string wipeRefusal_;  // why the last scan's files must not be wiped (a mailbox could not be read)
    std::vector<MailboxEntry> mailboxes_;
    bool scanning_ = false;
    bool closed_ = false;

    QListWidget* ListFolders = nullptr;
    QTreeWidget* ListFiles = nullptr;
    QGroupBox* FrameFolders = nullptr;
    QGroupBox* FrameFiles = nullptr;
    QGroupBox* FrameResults = nullptr;
    QButtonGroup* filesO = nullptr;
    QRadioButton* filesAttachments = nullptr;
    QRadioButton* filesEmbedded = nullptr;
    QPushButton* FolderAddD = nullptr;
    QPushButton* FolderRemoveD = nullptr;
    QPushButton* scanD = nullptr;
    QPushButton* stopD = nullptr;
    QPushButton* copyD = nullptr;
    QPushButton* moveD = nullptr;
    QPushButton* deleteD = nullptr;
    QStatusBar* StatusBar = nullptr;
    std::unique_ptr<AttachmentWindowHost> host_;
};

}  // namespace ledgerly::ui
