#pragma once
// Attachment link repair for one mailbox: lists the references whose file is
// gone, lets the user point them at a new folder or mark them for removal,
// and rewrites the mailbox (backups first, both files replaced at once).
#include <QDialog>
#include <QIcon>
#include <QMap>
#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "app/WindowsPaths.h"
#include "attachments/LinkRepair.h"

class QGroupBox;
class QLineEdit;
class QPushButton;
class QStatusBar;
class QTreeWidget;
class QTreeWidgetItem;

namespace ledgerly::ui {

class MainWindowApi;
class AttachmentWindowHost;

class LinkAttachmentsDialog : public QDialog {
    Q_OBJECT
public:
    LinkAttachmentsDialog(MainWindowApi& main, const std::string& mailboxPath, const QString& mailboxLabel, QWidget* parent = nullptr);
    ~LinkAttachmentsDialog() override;

    // The search of loading. False when nothing was found (the box has been
    // shown and the window is not to be shown).
    bool load();
    // The image key of a row ("inicijalno", ...).
    static QString stateKeyOf(const QTreeWidgetItem* item);
    // The state pictures, drawn once.
    static const QMap<QString, QIcon>& statePictures();
    std::function<void(const QString&)> openWithShell;

    void browse();
    void setLocation();
    void removeLinks();
    void resetLinks();
    void runFile();
    void update();

protected:
    void done(int r) override;

private:
    void showRow(QTreeWidgetItem* item);
    std::vector<QTreeWidgetItem*> selectedItems() const;
    BrokenLink& rowOf(QTreeWidgetItem* item);
    void setButtonsEnabled(bool on);

    MainWindowApi& main_;
    std::string mailboxPath_;
    QString mailboxLabel_;
    std::string attachmentFolder_;  // the remembered folder for new locations
    PathMapper mapper_;
    std::vector<BrokenLink> rows_;

    QGroupBox* FrameLocation = nullptr;
    QGroupBox* FrameLinks = nullptr;
    QLineEdit* redT = nullptr;
    QTreeWidget* ListLinks = nullptr;
    QPushButton* browseD = nullptr;
    QPushButton* setD = nullptr;
    QPushButton* removeD = nullptr;
    QPushButton* changeD = nullptr;
    QPushButton* runD = nullptr;
    QPushButton* updateD = nullptr;
    QStatusBar* StatusBar = nullptr;
    std::unique_ptr<AttachmentWindowHost> host_;
    bool rewriting_ = false;
};

}  // namespace ledgerly::ui
