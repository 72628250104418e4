#pragma once
// The main window (object name pregledF): the mail folder tree beside the
// selected mailbox's summaries, above the status bar, and the menu bar that
// holds every command. A menu item runs the command its tool registered under
// the item's control name (ui/CommandRegistry.h); the window's own commands
// (the tree, the palettes, help) are its member functions. Tools run on a
// worker thread: meanwhile the window repaints and its menus open, while the
// tree and the commands that would touch a mailbox stay disabled.
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
class QSplitter;
class QTreeWidget;
class QTreeWidgetItem;

namespace ledgerly::ui {

class ImageList;
class Prompter;
class SummaryList;
class ToolPalette;
class ToolRunner;

enum class PaletteKind { Flagging, Special, Mining };

class MainWindow : public QMainWindow, public MainWindowApi {
    Q_OBJECT
public:
    // The window's load step runs here: pictures, menus, settings, palettes.
    // `prompter` answers the boxes and dialogs (the real dialogs when null).
    explicit MainWindow(AppState& state, Prompter* prompter = nullptr, QWidget* parent = nullptr);
    ~MainWindow() override;

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
    ToolRunner& runner() override { return *runner_; }
    void synchronizeTree() override { synchronize(); }

    // The tree
    const FolderTree& folderTree() const { return tree_; }
    void setFolderTree(FolderTree tree);  // shows it; the selection is cleared
    void selectNode(int index);           // 1-based, as the nodes were added
    bool selectKey(const std::string& key);
    QTreeWidget* treeWidget() const { return treeView_; }
    ImageList* treeImages() const { return treeImages_; }
    SummaryList* summaryList() const { return summaries_; }
    // Shows another data folder: the tree built anew from it, its root selected.
    void openDataFolder(const std::string& folder);
    // Says `why` (when given), lets the user choose the data folder and opens
    // it; the choice is remembered in the settings file.
    void chooseDataFolder(const QString& why = {});
    // A second start's command line: the window comes to the front and opens
    // the folder given, if any.
    void bringToFront(const std::string& commandLine);

    // Command state for the selected node.
    void EnableMailboxCommands();
    void EnableFolderCommands();
    void chooseCommandState();
    // A command's enabled state. Qt reports every hidden action as disabled;
    // this is the state the command has, hidden or not.
    void setCommandEnabled(const char* name, bool enabled);
    bool commandEnabled(const char* name) const;
    // Runs the command registered under a menu item's control name, as the
    // menu item and the palette buttons do.
    void runCommand(const char* control);

    QString statusText() const;
    QMenu* toolsMenu() const { return toolsMenu_; }
    QMenu* mailboxesMenu() const { return mailboxesMenu_; }
    bool toolRunning() const;

    // Shows the window in the state the settings file asked for.
    void showAsLoaded();
    // The remembered normal size, in twips.
    // The size until one is remembered (twips): the tree and the summary list
    // side by side, with room for a palette beside it on a 1024-pixel screen.
    static constexpr int kFirstWidth = 9600, kFirstHeight = 6600;
    int rememberedWidth() const { return normalWidth_; }
    int rememberedHeight() const { return normalHeight_; }

    // Palettes
    ToolPalette* palette(PaletteKind kind) const;
    ToolPalette* openPalette(PaletteKind kind);
    void paletteClosed(PaletteKind kind);  // called by the palette as it closes

    // The window's own commands.
    void addMailbox();
    void synchronize();
    void openManual();
    void openReleaseNotes();
    void showAbout();
    void showStatusText();

    // What the window does with a file or web page to open (the desktop's
    // default handler); tests record instead.
    std::function<bool(const QUrl&)> urlOpener;
    // Stands in for the Eudora-running test when set (tests).
    std::function<bool()> eudoraProbe;

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
    void selectionChanged();
    void toolStarted();
    void toolFinished();
    void loadSettings();
    void saveToolbarFlags();
    void saveGeometry();
    void placePalette(ToolPalette& palette);
    void showPalette(ToolPalette& palette);  // placed beside the window on first start
    void popupTools(const QPoint& globalPos);
    void popupContextMenu(const QPoint& globalPos);
    bool openUrl(const QUrl& url);
    void updateScriptCommand();
    QAction* action(const char* name) const;

    AppState& state_;
    std::unique_ptr<Prompter> ownPrompter_;
    Prompter* prompter_ = nullptr;
    std::unique_ptr<WindowHost> host_;
    FolderTree tree_;
    QSplitter* splitter_ = nullptr;
    QTreeWidget* treeView_ = nullptr;
    SummaryList* summaries_ = nullptr;
    ImageList* treeImages_ = nullptr;
    QLabel* statusLabel_ = nullptr;
    QMenu* mailboxesMenu_ = nullptr;
    QMenu* toolsMenu_ = nullptr;
    QPointer<ToolPalette> palettes_[3];
    int normalWidth_ = kFirstWidth;    // twips
    int normalHeight_ = kFirstHeight;  // twips
    int loadedState_ = 0;
    long long loadedTop_ = 0, loadedLeft_ = 0;  // twips
    int busy_ = 0;
    bool closeWhenToolEnds_ = false;
    ToolRunner* runner_ = nullptr;  // a child: goes before the host it calls
};

}  // namespace ledgerly::ui
