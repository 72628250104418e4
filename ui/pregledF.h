#pragma once
// The main window: the mail folder tree above the status bar, and the menu bar
// that holds every command. A menu item's click handler runs the command that
// its tool registered under the item's control name (ui/CommandRegistry.h).
#include <QMainWindow>
#include <QPointer>
#include <QUrl>
#include <functional>
#include <memory>

#include "app/AppState.h"
#include "store/FolderTree.h"
#include "ui/GuiHost.h"
#include "ui/MainWindowApi.h"

class QAction;
class QLabel;
class QMenu;
class QTreeWidget;
class QTreeWidgetItem;

namespace ledgerly::ui {

class ImageList;
class Prompter;
class ToolPalette;

enum class PaletteKind { Flagging, Special, Mining };

class pregledF : public QMainWindow, public MainWindowApi {
    Q_OBJECT
public:
    // The window's load step runs here: pictures, menus, settings, palettes.
    // `prompter` answers the boxes and dialogs (the real dialogs when null).
    explicit pregledF(AppState& state, Prompter* prompter = nullptr, QWidget* parent = nullptr);
    ~pregledF() override;

    // MainWindowApi
    QWidget* window() override { return this; }
    AppState& state() override { return state_; }
    ledgerly::Host& host() override;
    Prompter& prompter() override { return *prompter_; }
    bool treeEmpty() const override { return tree_.Empty(); }
    std::string selectedKey() const override;
    std::string selectedTag() const override;
    QString selectedText() const override;
    std::vector<TreeEntry> treeNodes() const override;
    void setStatus(const QString& text) override;
    void setBusy(bool busy) override;
    void lockForTool(bool withFolderState) override;
    void unlockAfterTool(bool withFolderState) override;
    void synchronizeTree() override;

    // The tree
    const FolderTree& folderTree() const { return tree_; }
    void setFolderTree(FolderTree tree);  // shows it; the selection is cleared
    void selectNode(int index);           // 1-based, as the nodes were added
    bool selectKey(const std::string& key);
    QTreeWidget* treeWidget() const { return treeView_; }
    ImageList* treeImages() const { return drvoI_; }

    // Command state for the selected node.
    void EnableMailboxCommands();
    void EnableFolderCommands();
    void chooseCommandState();
    // A command's enabled state. Qt reports every hidden action as disabled;
    // this is the state the command has, hidden or not.
    void setCommandEnabled(const char* name, bool enabled);
    bool commandEnabled(const char* name) const;

    QString statusText() const;
    QMenu* toolsMenu() const { return menuDrvo_; }
    QMenu* mailboxesMenu() const { return menuMailboxes_; }

    // Shows the window in the state the settings file asked for.
    void showAsLoaded();
    // The remembered normal size, in twips.
    int rememberedWidth() const { return normalWidth_; }
    int rememberedHeight() const { return normalHeight_; }

    // Palettes
    ToolPalette* palette(PaletteKind kind) const;
    ToolPalette* openPalette(PaletteKind kind);
    void paletteClosed(PaletteKind kind);  // called by the palette as it closes

    // What the window does with a file or web page to open (the desktop's
    // default handler); tests record instead.
    std::function<bool(const QUrl&)> urlOpener;
    // Stands in for the Eudora-running test when set (tests).
    std::function<bool()> eudoraProbe;

public slots:
    void menuAddMailbox_Click();
    void menuSynchronizeMailbox_Click();
    void menuRebuildToc_Click();
    void menuMarkAllReceived_Click();
    void menuMarkAllSent_Click();
    void menuMarkDuplicatesClassic_Click();
    void menuMarkDuplicatesHash_Click();
    void menuUpdateSR_Click();
    void menuUpdatePriority_Click();
    void menuUpdateAttachment_Click();
    void menuUpdateDate_Click();
    void menuUpdateSubject_Click();
    void menuUpdateWho_Click();
    void menuUpdateAll_Click();
    void menuExportFiles_Click();
    void menuExportReadersDigest_Click();
    void menuExportOutlook_Click();
    void menuExtractEMails_Click();
    void menuWebAddresses_Click();
    void menuFileReferences_Click();
    void menuFTPLinks_Click();
    void menuTelnetLinks_Click();
    void menuUsenetLinks_Click();
    void menuPhLinks_Click();
    void menuFingerLinks_Click();
    void menuRTSPLinks_Click();
    void menuXOptionsLinks_Click();
    void menuExtractAll_Click();
    void menuRunScript_Click();
    void menuHarvestEMailAddresses_Click();
    void menuStripHTMLTags_Click();
    void menuDecodeQP_Click();
    void menuUpdateAttachmentLinks_Click();
    void menuFixLastTag_Click();
    void menuCipher_Click();
    void menuDecipher_Click();
    void menuROT13_Click();
    void menuCreateBackup_Click();
    void menuFlagDuplicates_Click();
    void menuAlignColumns_Click();
    void menuFindAttachments_Click();
    void menuFlaggingTools_Click();
    void menuSpecialTools_Click();
    void menuMiningTools_Click();
    void menuHelp_Click();
    void menuReleaseNotes_Click();
    void menuAbout_Click();
    void StatusBar_Click();

protected:
    void closeEvent(QCloseEvent* event) override;
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    class WindowHost;
    void buildMenus();
    void buildTreeItems(QTreeWidgetItem* parentItem, const TreeNode& node);
    QTreeWidgetItem* itemFor(const std::string& key) const;
    void refreshTreeView();
    void setMailboxState(bool mailbox);
    void loadSettings();
    void saveToolbarFlags();
    void saveGeometry();
    void popupTools(const QPoint& globalPos);
    void runRegistered(const char* control);
    bool openUrl(const QUrl& url);
    void updateScriptCommand();
    QAction* action(const char* name) const;

    AppState& state_;
    std::unique_ptr<Prompter> ownPrompter_;
    Prompter* prompter_ = nullptr;
    std::unique_ptr<WindowHost> host_;
    FolderTree tree_;
    QTreeWidget* treeView_ = nullptr;
    ImageList* drvoI_ = nullptr;
    QLabel* statusLabel_ = nullptr;
    QMenu* menuMailboxes_ = nullptr;
    QMenu* menuDrvo_ = nullptr;
    QPointer<ToolPalette> palettes_[3];
    int normalWidth_ = 5000;   // twips
    int normalHeight_ = 5000;  // twips
    int loadedState_ = 0;
    int busy_ = 0;
    bool closing_ = false;
};

}  // namespace ledgerly::ui
