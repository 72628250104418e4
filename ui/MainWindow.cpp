#include "ui/MainWindow.h"

#include <QApplication>
#include <QCloseEvent>
#include <QDesktopServices>
#include <QDir>
#include <QHeaderView>
#include <QKeyEvent>
#include <QLabel>
#include <QMenuBar>
#include <QMouseEvent>
#include <QProxyStyle>
#include <QSplitter>
#include <QStatusBar>
#include <QStyleFactory>
#include <QTreeWidget>

#include "app/Encoding.h"
#include "app/FileHelpers.h"
#include "app/IniFile.h"
#include "app/Messages.h"
#include "ui/AboutDialog.h"
#include "ui/CommandRegistry.h"
#include "ui/ManualWindow.h"
#include "ui/Palettes.h"
#include "ui/Pictures.h"
#include "ui/Placement.h"
#include "ui/Prompter.h"
#include "ui/Settings.h"
#include "ui/SummaryList.h"
#include "ui/ToolRunner.h"
#include "ui/Twips.h"

namespace ledgerly::ui {
namespace {

constexpr int kKeyRole = Qt::UserRole;
constexpr int kTagRole = Qt::UserRole + 1;

// Size limits of the main window, in twips.
constexpr int kMinWidth = 3800, kMaxWidth = 22000, kMinHeight = 4400, kMaxHeight = 20000;

QString FromCp1252(const std::string& text) { return QString::fromStdString(Cp1252ToUtf8(text)); }
QString FromNative(const std::string& path) { return QFile::decodeName(QByteArray::fromStdString(path)); }
std::string ToNative(const QString& path) { return QFile::encodeName(path).toStdString(); }

// Menu bars of this style put the items after a separator at the right-hand
// end, which is where "&Info" belongs.
class RightAlignedInfoStyle : public QProxyStyle {
public:
    using QProxyStyle::QProxyStyle;
    int styleHint(StyleHint hint, const QStyleOption* option, const QWidget* widget, QStyleHintReturn* ret) const override {
        if (hint == QStyle::SH_DrawMenuBarSeparator) return 1;
        return QProxyStyle::styleHint(hint, option, widget, ret);
    }
};

// Commands kept out of the menus for good: their tools do nothing (Cipher and
// Decipher leave every body as it is, the Bonus search finds nothing).
constexpr const char* kHiddenCommands[] = {"menuBonus", "menuCipher", "menuDecipher", "menuL41"};

// The menus a running tool disables: each of their commands touches a mailbox.
constexpr const char* kToolMenus[] = {"menuMailboxes", "menuDrvo"};

}  // namespace

// The desktop host, with the Eudora-running test replaceable for tests.
class MainWindow::WindowHost : public GuiHost {
public:
    explicit WindowHost(MainWindow& main) : GuiHost(main), main_(main) {}
    bool EudoraRunning() override { return main_.eudoraProbe ? main_.eudoraProbe() : GuiHost::EudoraRunning(); }

private:
    MainWindow& main_;
};

MainWindow::MainWindow(AppState& state, Prompter* prompter, QWidget* parent)
    : QMainWindow(parent), state_(state), prompter_(prompter) {
    if (!prompter_) {
        ownPrompter_ = std::make_unique<DialogPrompter>();
        prompter_ = ownPrompter_.get();
    }
    host_ = std::make_unique<WindowHost>(*this);
    runner_ = new ToolRunner(state_, *host_, this);
    connect(runner_, &ToolRunner::runStarted, this, &MainWindow::toolStarted);
    connect(runner_, &ToolRunner::runFinished, this, &MainWindow::toolFinished);
    urlOpener = [](const QUrl& url) { return DefaultBrowserSet() && QDesktopServices::openUrl(url); };

    // Load step: the current folder is the program's, the hourglass shows.
    if (!state_.paths.ProgramFolder.empty()) QDir::setCurrent(FromNative(state_.paths.ProgramFolder));
    setBusy(true);
    setObjectName(QStringLiteral("pregledF"));
    setWindowTitle(QString::fromUtf8(msg::kTitle));
    setWindowIcon(QIcon::fromTheme(QStringLiteral("ledgerly"), ProgramIcon()));  // the installed icon, when there is one

    splitter_ = new QSplitter(Qt::Horizontal, this);
    splitter_->setObjectName(QStringLiteral("MailboxSplitter"));
    treeView_ = new QTreeWidget(splitter_);
    treeView_->setObjectName(QStringLiteral("DrvoSanducad"));
    treeView_->setHeaderHidden(true);
    treeView_->setColumnCount(1);
    treeView_->setContextMenuPolicy(Qt::NoContextMenu);
    treeView_->setSelectionMode(QAbstractItemView::SingleSelection);
    treeImages_ = MakeTreeImages(this);
    treeView_->installEventFilter(this);
    treeView_->viewport()->installEventFilter(this);
    summaries_ = new SummaryList(splitter_);
    splitter_->addWidget(treeView_);
    splitter_->addWidget(summaries_);
    splitter_->setStretchFactor(0, 1);
    splitter_->setStretchFactor(1, 3);
    splitter_->setChildrenCollapsible(false);
    setCentralWidget(splitter_);  // fills the client area above the status bar
    connect(treeView_, &QTreeWidget::itemExpanded, this, [this](QTreeWidgetItem* item) {
        const std::string key = item->data(0, kKeyRole).toByteArray().toStdString();
        tree_.SetExpanded(key, true);
        if (const TreeNode* n = tree_.Find(key)) item->setIcon(0, treeImages_->icon(n->image));
    });
    connect(treeView_, &QTreeWidget::itemCollapsed, this, [this](QTreeWidgetItem* item) {
        const std::string key = item->data(0, kKeyRole).toByteArray().toStdString();
        tree_.SetExpanded(key, false);
        if (const TreeNode* n = tree_.Find(key)) item->setIcon(0, treeImages_->icon(n->image));
    });
    connect(treeView_, &QTreeWidget::itemClicked, this, [this] { chooseCommandState(); });
    connect(treeView_, &QTreeWidget::currentItemChanged, this, &MainWindow::selectionChanged);

    statusBar()->setObjectName(QStringLiteral("StatusBar"));
    statusBar()->setSizeGripEnabled(true);
    statusLabel_ = new QLabel(statusBar());
    statusLabel_->setObjectName(QStringLiteral("StatusText"));
    statusLabel_->setTextFormat(Qt::PlainText);
    statusBar()->addWidget(statusLabel_, 1);
    statusBar()->installEventFilter(this);
    statusLabel_->installEventFilter(this);

    buildMenus();

    for (const char* name : kHiddenCommands)
        if (QAction* a = action(name)) a->setVisible(false);
    updateScriptCommand();
    setCommandEnabled("menuFlagDuplicates", false);
    setStatus(QString::fromUtf8(msg::kReady));

    setMinimumSize(TwipsToPixelsX(*this, kMinWidth), TwipsToPixelsY(*this, kMinHeight));
    setMaximumSize(TwipsToPixelsX(*this, kMaxWidth), TwipsToPixelsY(*this, kMaxHeight));
    loadSettings();
    EnableFolderCommands();
    setBusy(false);
}

ledgerly::Host& MainWindow::host() { return *host_; }

MainWindow::~MainWindow() {
    delete runner_;  // waits for a run still going; its host must outlive it
    runner_ = nullptr;
    while (busy_ > 0) setBusy(false);
    qDeleteAll(findChildren<ToolPalette*>(QString(), Qt::FindDirectChildrenOnly));
}

QAction* MainWindow::action(const char* name) const { return findChild<QAction*>(QString::fromLatin1(name)); }

void MainWindow::runCommand(const char* control) { RunCommand(control, *this); }

bool MainWindow::toolRunning() const { return runner_ && runner_->running(); }

void MainWindow::buildMenus() {
    QMenuBar* bar = menuBar();
    auto* barStyle = new RightAlignedInfoStyle(QStyleFactory::create(QApplication::style()->name()));
    barStyle->setParent(bar);
    bar->setStyle(barStyle);

    auto sub = [](auto* owner, const char* name, const char* caption) {
        QMenu* m = owner->addMenu(QString::fromLatin1(caption));
        m->setObjectName(QString::fromLatin1(name));
        m->menuAction()->setObjectName(QString::fromLatin1(name));
        return m;
    };
    auto named = [](QMenu* menu, const char* name, const char* caption) {
        QAction* a = menu->addAction(QString::fromLatin1(caption));
        a->setObjectName(QString::fromLatin1(name));
        return a;
    };
    // A tool's command, run by the name its tool registered it under.
    auto item = [this, named](QMenu* menu, const char* name, const char* caption) {
        QAction* a = named(menu, name, caption);
        connect(a, &QAction::triggered, this, [this, name] { runCommand(name); });
        return a;
    };
    // One of the window's own commands.
    auto own = [this, named](QMenu* menu, const char* name, const char* caption, void (MainWindow::*command)()) {
        QAction* a = named(menu, name, caption);
        connect(a, &QAction::triggered, this, command);
        return a;
    };
    auto separator = [](QMenu* menu, const char* name) { menu->addSeparator()->setObjectName(QString::fromLatin1(name)); };

    mailboxesMenu_ = sub(bar, "menuMailboxes", "&Mailboxes");
    own(mailboxesMenu_, "menuAddMailbox", "&Add...", &MainWindow::addMailbox);
    own(mailboxesMenu_, "menuSynchronizeMailbox", "&Synchronize", &MainWindow::synchronize);
    item(mailboxesMenu_, "menuRebuildToc", "&Rebuild TOC...");
    QAction* openFolder = named(mailboxesMenu_, "menuOpenDataFolder", "&Open Data Folder...");
    connect(openFolder, &QAction::triggered, this, [this] { chooseDataFolder(); });
    item(mailboxesMenu_, "menuCheckMailbox", "&Check Mailbox");
    separator(mailboxesMenu_, "menuL1");
    QAction* quit = named(mailboxesMenu_, "menuQuit", "&Quit");
    quit->setShortcut(QKeySequence(Qt::CTRL | Qt::Key_Q));  // whatever the platform theme says
    quit->setShortcutContext(Qt::ApplicationShortcut);
    connect(quit, &QAction::triggered, this, &QWidget::close);

    toolsMenu_ = sub(bar, "menuDrvo", "&Tools");
    QMenu* mark = sub(toolsMenu_, "menuMark", "&Mark");
    item(mark, "menuMarkAllReceived", "All Messages &Received");
    item(mark, "menuMarkAllSent", "All Messages &Sent");
    item(mark, "menuMarkDuplicatesClassic", "&Duplicates (Slow)");
    item(mark, "menuMarkDuplicatesHash", "&Duplicates (Fast)");
    QMenu* update = sub(toolsMenu_, "menuUpdate", "&Update");
    item(update, "menuUpdateSR", "&Sent / Received Status");
    item(update, "menuUpdatePriority", "&Priority");
    item(update, "menuUpdateAttachment", "&Attachment");
    item(update, "menuUpdateDate", "&Date");
    item(update, "menuUpdateSubject", "S&ubject");
    item(update, "menuUpdateWho", "&Who");
    separator(update, "menuL12");
    item(update, "menuUpdateAll", "A&ll");
    QMenu* exportTo = sub(toolsMenu_, "menuExport", "&Export To");
    item(exportTo, "menuExportFiles", "&Files");
    item(exportTo, "menuExportReadersDigest", "&Readers Digest");
    item(exportTo, "menuExportOutlook", "&Mail Programs (mbox, Maildir, EML)...");
    QMenu* extract = sub(toolsMenu_, "menuExtract", "&Extract URL");
    item(extract, "menuExtractEMails", "&E-Mail");
    item(extract, "menuWebAddresses", "&Web");
    item(extract, "menuFileReferences", "&File References");
    item(extract, "menuFTPLinks", "F&TP");
    item(extract, "menuTelnetLinks", "&Telnet");
    item(extract, "menuUsenetLinks", "&Usenet News");
    item(extract, "menuPhLinks", "&Ph");
    item(extract, "menuFingerLinks", "F&inger");
    item(extract, "menuRTSPLinks", "&RTSP");
    item(extract, "menuXOptionsLinks", "&X-Eudora-Options");
    separator(extract, "menuL22");
    item(extract, "menuExtractAll", "&All");
    QMenu* special = sub(toolsMenu_, "menuSpecial", "&Special");
    item(special, "menuRunScript", "Run &Script...");
    item(special, "menuHarvestEMailAddresses", "&Harvest E-Mail Addresses...");
    item(special, "menuStripHTMLTags", "Strip &HTML Tags");
    item(special, "menuDecodeQP", "Decode &Quoted Printable");
    item(special, "menuUpdateAttachmentLinks", "&Link Attachments...");
    item(special, "menuFixLastTag", "&Repair Message Delimiters");
    QMenu* encryption = sub(toolsMenu_, "menuEncryption", "&Encryption");
    item(encryption, "menuCipher", "Cipher");
    item(encryption, "menuDecipher", "Decipher");
    separator(encryption, "menuL41");
    item(encryption, "menuROT13", "&ROT13");
    item(toolsMenu_, "menuCreateBackup", "&Backup");
    QMenu* bonus = sub(toolsMenu_, "menuBonus", "&Bonus");
    item(bonus, "menuFlagDuplicates", "&Flag Duplicates");
    separator(toolsMenu_, "menuL2");
    item(toolsMenu_, "menuAlignColumns", "&Align Columns...");
    item(toolsMenu_, "menuFindAttachments", "&Orphaned Attachments...");

    QMenu* view = sub(bar, "menuView", "&View");
    QMenu* toolbars = sub(view, "menuToolbars", "Toolbars");
    // Checked while the palette is open; choosing it opens the palette or brings it up.
    const std::pair<const char*, const char*> paletteItems[] = {
        {"menuFlaggingTools", "Flagging Tools"}, {"menuSpecialTools", "Special Tools"}, {"menuMiningTools", "Mining Tools"}};
    const PaletteKind kinds[] = {PaletteKind::Flagging, PaletteKind::Special, PaletteKind::Mining};
    for (int i = 0; i < 3; ++i) {
        QAction* a = named(toolbars, paletteItems[i].first, paletteItems[i].second);
        a->setCheckable(true);
        connect(a, &QAction::triggered, this, [this, a, kind = kinds[i]] {
            openPalette(kind);
            a->setChecked(palette(kind) != nullptr);
        });
    }

    // Everything after this separator stands at the right-hand end of the bar.
    bar->addSeparator()->setObjectName(QStringLiteral("menuInfoSpacer"));
    QMenu* info = sub(bar, "menuInfo", "&Info");
    QAction* help = own(info, "menuHelp", "&Help", &MainWindow::openManual);
    help->setShortcut(QKeySequence(Qt::Key_F1));
    help->setShortcutContext(Qt::ApplicationShortcut);
    own(info, "menuReleaseNotes", "&Release Notes (Web)", &MainWindow::openReleaseNotes);
    separator(info, "menuL51");
    own(info, "menuAbout", "&About", &MainWindow::showAbout);
}

// ---- the tree ---------------------------------------------------------------

void MainWindow::buildTreeItems(QTreeWidgetItem* item, const TreeNode& node) {
    item->setText(0, FromCp1252(node.text));
    item->setIcon(0, treeImages_->icon(node.image));
    item->setData(0, kKeyRole, QByteArray::fromStdString(node.key));
    item->setData(0, kTagRole, QString::fromStdString(node.tag));
    for (const TreeNode* child : tree_.ChildrenOf(node.key)) buildTreeItems(new QTreeWidgetItem(item), *child);
    item->setExpanded(node.expanded);
}

void MainWindow::refreshTreeView() {
    const QSignalBlocker block(treeView_);
    const std::string current = selectedKey();
    treeView_->clear();
    for (const TreeNode* top : tree_.TopLevel()) {
        auto* item = new QTreeWidgetItem(treeView_);
        buildTreeItems(item, *top);
    }
    if (!current.empty()) {
        if (QTreeWidgetItem* item = itemFor(current)) treeView_->setCurrentItem(item);
    }
    summaries_->showMailbox(selectedKey());
}

void MainWindow::setFolderTree(FolderTree tree) {
    tree_ = std::move(tree);
    {
        const QSignalBlocker block(treeView_);
        treeView_->clear();
    }
    refreshTreeView();
}

void MainWindow::openDataFolder(const std::string& folder) {
    if (toolRunning()) return;
    state_.paths.DataFolder = WithTrailingSeparator(folder);
    state_.paths.LinkHistoryPath = state_.paths.DataFolder + "LinkHistory.dat";
    state_.paths.AddressHistoryPath = state_.paths.DataFolder + "History.lst";
    state_.paths.NicknameFolder = state_.paths.DataFolder + "Nickname" + kPathSeparator;
    state_.paths.EudoraIniPath.clear();
    setFolderTree(LoadFolderTree(state_.paths.DataFolder));
    updateScriptCommand();
    if (!tree_.Empty()) selectNode(1);
    setCommandEnabled("menuAlignColumns", !tree_.Empty());
    setStatus(QString::fromUtf8(msg::kReady));
}

void MainWindow::chooseDataFolder(const QString& why) {
    if (toolRunning()) return;
    if (!why.isEmpty()) prompter_->information(this, why, QString::fromUtf8(msg::kTitle), true);
    const QString start = state_.paths.DataFolder.empty() ? QDir::homePath() : FromNative(state_.paths.DataFolder);
    const QString chosen = prompter_->chooseFolder(this, QStringLiteral("Choose Eudora's data folder"), start);
    if (chosen.isEmpty()) {
        if (tree_.Empty()) setStatus(QStringLiteral("No data folder: choose one with Mailboxes > Open Data Folder..."));
        return;
    }
    openDataFolder(ToNative(chosen));
    WriteIni("Settings", kDataFolderKey, state_.paths.DataFolder, state_.paths.IniPath);
}

void MainWindow::bringToFront(const std::string& commandLine) {
    if (isMinimized()) showNormal();
    show();
    raise();
    activateWindow();
    if (commandLine.empty()) return;
    const std::string folder = WithTrailingSeparator(commandLine);
    const QString shown = FromNative(commandLine);
    if (folder.size() < 5 || !FolderExists(folder)) {
        prompter_->information(this, QStringLiteral("The data folder '%1' does not exist.").arg(shown), QString::fromUtf8(msg::kTitle), true);
    } else if (toolRunning()) {
        prompter_->information(this, QStringLiteral("A tool is running: the folder '%1' was not opened.").arg(shown),
                               QString::fromUtf8(msg::kTitle), true);
    } else if (folder != state_.paths.DataFolder) {
        openDataFolder(folder);
    }
}

QTreeWidgetItem* MainWindow::itemFor(const std::string& key) const {
    const QByteArray wanted = QByteArray::fromStdString(key);
    for (QTreeWidgetItemIterator it(treeView_); *it; ++it)
        if ((*it)->data(0, kKeyRole).toByteArray() == wanted) return *it;
    return nullptr;
}

bool MainWindow::selectKey(const std::string& key) {
    QTreeWidgetItem* item = itemFor(key);
    if (!item) return false;
    treeView_->setCurrentItem(item);
    treeView_->scrollToItem(item);
    chooseCommandState();
    return true;
}

void MainWindow::selectNode(int index) {
    if (index >= 1 && index <= tree_.Count()) selectKey(tree_.Nodes()[static_cast<std::size_t>(index - 1)].key);
}

void MainWindow::selectionChanged() {
    chooseCommandState();
    summaries_->showMailbox(selectedKey());
}

std::string MainWindow::selectedKey() const {
    const QTreeWidgetItem* item = treeView_ ? treeView_->currentItem() : nullptr;
    return item ? item->data(0, kKeyRole).toByteArray().toStdString() : std::string();
}

std::string MainWindow::selectedTag() const {
    const QTreeWidgetItem* item = treeView_ ? treeView_->currentItem() : nullptr;
    return item ? item->data(0, kTagRole).toString().toStdString() : std::string();
}

QString MainWindow::selectedText() const {
    const QTreeWidgetItem* item = treeView_ ? treeView_->currentItem() : nullptr;
    return item ? item->text(0) : QString();
}

std::vector<MainWindowApi::TreeEntry> MainWindow::treeNodes() const {
    std::vector<TreeEntry> entries;
    for (const TreeNode& node : tree_.Nodes()) entries.push_back({node.key, FromCp1252(node.text)});
    return entries;
}

// ---- command state ----------------------------------------------------------

void MainWindow::setMailboxState(bool mailbox) {
    for (auto& p : palettes_)
        if (p) p->setEnabled(mailbox && !toolRunning());
    for (const char* name : {"menuToolbars", "menuMark", "menuUpdate", "menuExtract", "menuSpecial", "menuBonus", "menuExport",
                             "menuEncryption", "menuDecodeQP", "menuCreateBackup", "menuCheckMailbox", "menuRebuildToc"})
        setCommandEnabled(name, mailbox);
    setCommandEnabled("menuAlignColumns", !mailbox);
    setCommandEnabled("menuFindAttachments", selectedTag() == kRootTag);
}

void MainWindow::setCommandEnabled(const char* name, bool enabled) {
    if (QAction* a = action(name)) {
        a->setProperty("commandEnabled", enabled);
        a->setEnabled(enabled);
    }
}

bool MainWindow::commandEnabled(const char* name) const {
    const QAction* a = action(name);
    if (!a) return false;
    const QVariant v = a->property("commandEnabled");
    return v.isValid() ? v.toBool() : a->isEnabled();
}

void MainWindow::EnableMailboxCommands() { setMailboxState(true); }
void MainWindow::EnableFolderCommands() { setMailboxState(false); }

void MainWindow::chooseCommandState() {
    if (tree_.Empty()) return;
    if (IsMailboxKey(selectedKey())) EnableMailboxCommands();
    else EnableFolderCommands();
}

void MainWindow::updateScriptCommand() {
    setCommandEnabled("menuRunScript", FolderExists(state_.paths.DataFolder + "Scripts"));
}

// ---- a tool's run -----------------------------------------------------------

// The run's mailbox must not change under it: no other tree node can be
// chosen and no command that touches a mailbox starts. The View and Info
// menus stay open to the user.
void MainWindow::toolStarted() {
    treeView_->setEnabled(false);
    for (const char* name : kToolMenus)
        if (QAction* a = action(name)) a->setEnabled(false);
    for (auto& p : palettes_)
        if (p) p->setEnabled(false);
    QApplication::setOverrideCursor(Qt::BusyCursor);
}

void MainWindow::toolFinished() {
    if (toolRunning()) return;  // the closing step started the next run
    QApplication::restoreOverrideCursor();
    treeView_->setEnabled(true);
    for (const char* name : kToolMenus)
        if (QAction* a = action(name)) a->setEnabled(true);
    chooseCommandState();
    summaries_->reload();  // what the tool changed shows at once
    if (closeWhenToolEnds_) close();
}

// ---- MainWindowApi ----------------------------------------------------------

void MainWindow::setStatus(const QString& text) { statusLabel_->setText(text); }

QString MainWindow::statusText() const { return statusLabel_->text(); }

void MainWindow::setBusy(bool busy) {
    if (busy) {
        ++busy_;
        QApplication::setOverrideCursor(Qt::WaitCursor);
    } else if (busy_ > 0) {
        --busy_;
        QApplication::restoreOverrideCursor();
    }
}

// ---- events -----------------------------------------------------------------

void MainWindow::popupTools(const QPoint& globalPos) { toolsMenu_->popup(globalPos); }

void MainWindow::popupContextMenu(const QPoint& globalPos) {
    if (!tree_.Empty()) {
        chooseCommandState();
        popupTools(globalPos);
    } else {
        mailboxesMenu_->popup(globalPos);
    }
}

bool MainWindow::eventFilter(QObject* watched, QEvent* event) {
    if (watched == treeView_->viewport() && event->type() == QEvent::MouseButtonRelease) {
        auto* me = static_cast<QMouseEvent*>(event);
        if (me->button() == Qt::RightButton) {
            popupContextMenu(me->globalPosition().toPoint());
            return true;
        }
        chooseCommandState();
    } else if (watched == treeView_ && event->type() == QEvent::KeyPress) {
        auto* ke = static_cast<QKeyEvent*>(event);
        const bool shiftF10 = ke->key() == Qt::Key_F10 && (ke->modifiers() & Qt::ShiftModifier);
        if (shiftF10 || ke->key() == Qt::Key_Menu) {
            // The keyboard's context menu: under the selected node.
            if (!tree_.Empty() && IsMailboxKey(selectedKey())) {
                chooseCommandState();
                const QRect node = treeView_->visualItemRect(treeView_->currentItem());
                popupTools(treeView_->viewport()->mapToGlobal(node.isValid() ? node.bottomLeft() : QPoint(0, 0)));
            } else if (tree_.Empty() && ke->key() == Qt::Key_Menu) {
                mailboxesMenu_->popup(treeView_->mapToGlobal(QPoint(0, 0)));
            }
            return true;
        }
    } else if (watched == treeView_ && event->type() == QEvent::KeyRelease) {
        chooseCommandState();
    } else if ((watched == statusBar() || watched == statusLabel_) && event->type() == QEvent::MouseButtonRelease) {
        if (static_cast<QMouseEvent*>(event)->button() == Qt::LeftButton) {
            showStatusText();
            return true;
        }
    }
    return QMainWindow::eventFilter(watched, event);
}

void MainWindow::showStatusText() {
    prompter_->information(this, statusText(), QStringLiteral("Status Information - Ledgerly"), true);
}

// ---- settings ---------------------------------------------------------------

void MainWindow::loadSettings() {
    const std::string& ini = state_.paths.IniPath;
    if (auto v = ReadIniNumber("Settings", "WindowTop", ini)) loadedTop_ = *v;
    if (auto v = ReadIniNumber("Settings", "WindowLeft", ini)) loadedLeft_ = *v;
    move(TwipsToPixelsX(*this, loadedLeft_), TwipsToPixelsY(*this, loadedTop_));

    // The remembered normal size is a pair of 16-bit values: a value out of
    // their range leaves the design size in place.
    auto sixteen = [](std::optional<long long> v, int& into) {
        if (v && *v >= -32768 && *v <= 32767) into = static_cast<int>(*v);
    };
    sixteen(ReadIniNumber("Settings", "WindowHeight", ini), normalHeight_);
    sixteen(ReadIniNumber("Settings", "WindowWidth", ini), normalWidth_);

    loadedState_ = 0;
    if (auto v = ReadIniNumber("Settings", "WindowState", ini)) loadedState_ = static_cast<int>(*v);
    int height = normalHeight_, width = normalWidth_;
    if (loadedState_ != 1 && loadedState_ != 2) {
        if (height < 4500) height = 4500;
        if (width < 3200) width = 3200;
        if (height > 24000) height = 4500;
        if (width > 22000) width = 3200;
        normalHeight_ = height;
        normalWidth_ = width;
    }
    // Also the size a maximised or minimised window returns to.
    resize(TwipsToPixelsX(*this, width), TwipsToPixelsY(*this, height));
    KeepOnScreen(*this);

    // A palette opens when the whole-number part of its value is exactly 1.
    auto wanted = [&ini](const char* key, const char* fallback) {
        const auto v = ParseIniNumber(ReadIni("Toolbars", key, fallback, ini));
        return v && static_cast<long long>(*v) == 1;
    };
    if (wanted("FlaggingTools", "1")) openPalette(PaletteKind::Flagging);
    if (wanted("MiningTools", "0")) openPalette(PaletteKind::Mining);
    if (wanted("SpecialTools", "0")) openPalette(PaletteKind::Special);
}

void MainWindow::showAsLoaded() {
    if (loadedState_ == 2) showMaximized();
    else if (loadedState_ == 1) showMinimized();
    else show();
    if (loadedState_ != 1 && loadedState_ != 2) KeepOnScreen(*this);  // now with its frame
    for (auto& p : palettes_)
        if (p) showPalette(*p);
}

void MainWindow::showPalette(ToolPalette& p) {
    const bool automatic = p.needsPlacing();
    placePalette(p);
    p.show();
    KeepOnScreen(p);
    // Kept inside the screen now that its frame is known: still the automatic place.
    if (automatic) p.placed(p.pos());
}

// Only what differs from what the file holds (or, without a key, from its
// default) is written: a run that changed nothing creates no settings file.
void MainWindow::saveToolbarFlags() {
    const std::string& ini = state_.paths.IniPath;
    auto flag = [this](PaletteKind k) { return palettes_[static_cast<int>(k)] ? "1" : "0"; };
    KeepSetting("Toolbars", "FlaggingTools", flag(PaletteKind::Flagging), "1", ini);
    KeepSetting("Toolbars", "SpecialTools", flag(PaletteKind::Special), "0", ini);
    KeepSetting("Toolbars", "MiningTools", flag(PaletteKind::Mining), "0", ini);
}

void MainWindow::saveGeometry() {
    const std::string& ini = state_.paths.IniPath;
    const bool normal = !isMinimized() && !isMaximized();
    // A size or place unchanged in pixels keeps its twips: converting back
    // and forth would change the file for nothing.
    const auto twips = [](long long kept, int keptPixels, int pixels, long long converted) { return pixels == keptPixels ? kept : converted; };
    if (normal) {
        normalWidth_ = static_cast<int>(std::min<long long>(
            twips(normalWidth_, TwipsToPixelsX(*this, normalWidth_), width(), PixelsToTwipsX(*this, width())), 32767));
        normalHeight_ = static_cast<int>(std::min<long long>(
            twips(normalHeight_, TwipsToPixelsY(*this, normalHeight_), height(), PixelsToTwipsY(*this, height())), 32767));
    }
    KeepSetting("Settings", "WindowHeight", FormatIniNumber(normalHeight_), FormatIniNumber(kFirstHeight), ini);
    KeepSetting("Settings", "WindowWidth", FormatIniNumber(normalWidth_), FormatIniNumber(kFirstWidth), ini);
    if (isMaximized()) {
        KeepSetting("Settings", "WindowState", FormatIniNumber(2), " 0", ini);
    } else if (isMinimized()) {
        KeepSetting("Settings", "WindowState", FormatIniNumber(1), " 0", ini);
    } else {
        KeepSetting("Settings", "WindowState", FormatIniNumber(0), " 0", ini);
        const long long top = twips(loadedTop_, TwipsToPixelsY(*this, loadedTop_), y(), PixelsToTwipsY(*this, y()));
        const long long left = twips(loadedLeft_, TwipsToPixelsX(*this, loadedLeft_), x(), PixelsToTwipsX(*this, x()));
        KeepSetting("Settings", "WindowTop", FormatIniNumber(top), " 0", ini);
        KeepSetting("Settings", "WindowLeft", FormatIniNumber(left), " 0", ini);
    }
}

void MainWindow::closeEvent(QCloseEvent* event) {
    // A running tool is asked to stop; the window closes once it has ended.
    if (toolRunning()) {
        closeWhenToolEnds_ = true;
        runner_->requestStop();
        setStatus(QStringLiteral("Stopping the running tool; the window closes when it has ended..."));
        event->ignore();
        return;
    }
    saveToolbarFlags();
    saveGeometry();
    // The palettes keep their own positions as they close.
    for (auto& p : palettes_)
        if (p) p->close();
    event->accept();
}

// ---- palettes ---------------------------------------------------------------

ToolPalette* MainWindow::palette(PaletteKind kind) const { return palettes_[static_cast<int>(kind)].data(); }

void MainWindow::paletteClosed(PaletteKind kind) {
    palettes_[static_cast<int>(kind)] = nullptr;
    const char* items[] = {"menuFlaggingTools", "menuSpecialTools", "menuMiningTools"};
    if (QAction* a = action(items[static_cast<int>(kind)])) a->setChecked(false);
}

// A palette without a saved place goes beside the main window, the next one
// below the last, never over the menu bar.
void MainWindow::placePalette(ToolPalette& p) {
    if (!p.needsPlacing()) return;
    int index = 0;
    for (auto& other : palettes_)
        if (other && other != &p && other->isVisible()) ++index;
    const QRect frame = frameGeometry();
    const QSize size = p.frameGeometry().size();
    const int menuBarBottom = menuBar()->mapToGlobal(QPoint(0, menuBar()->height())).y();
    p.move(PaletteStartPosition(frame, size, index, AvailableAreaAt(frame.center()), menuBarBottom));
    p.placed(p.pos());
}

ToolPalette* MainWindow::openPalette(PaletteKind kind) {
    QPointer<ToolPalette>& slot = palettes_[static_cast<int>(kind)];
    if (!slot) {
        switch (kind) {
        case PaletteKind::Flagging: slot = new FlaggingToolsPalette(*this); break;
        case PaletteKind::Special: slot = new SpecialToolsPalette(*this); break;
        case PaletteKind::Mining: slot = new MiningToolsPalette(*this); break;
        }
        slot->setEnabled(!toolRunning() && !tree_.Empty() && IsMailboxKey(selectedKey()));
    }
    const char* items[] = {"menuFlaggingTools", "menuSpecialTools", "menuMiningTools"};
    if (QAction* a = action(items[static_cast<int>(kind)])) a->setChecked(true);
    if (isVisible()) {
        showPalette(*slot);
        slot->raise();
        slot->activateWindow();
    }
    return slot.data();
}

// ---- the commands of this window --------------------------------------------

void MainWindow::addMailbox() {
    if (toolRunning()) return;
    const QString chosen = prompter_->openFile(this, QStringLiteral("Eudora Mailbox Files (*.mbx)"), FromNative(state_.paths.DataFolder));
    if (chosen.isEmpty()) return;
    const AddMailboxResult result = AddMailbox(tree_, ToNative(chosen));
    if (result == AddMailboxResult::TocNotFound) {
        prompter_->information(this, QString::fromUtf8(msg::kTocNotFoundForAdd), QString::fromUtf8(msg::kTitle), true);
        return;
    }
    if (result != AddMailboxResult::Added) return;
    refreshTreeView();
    if (tree_.Count() == 1) selectNode(1);
    setCommandEnabled("menuAlignColumns", true);
}

void MainWindow::synchronize() {
    const std::string& data = state_.paths.DataFolder;
    if (toolRunning() || !FolderExists(data) || tree_.Empty()) return;
    setBusy(true);
    Synchronize(tree_, data);
    refreshTreeView();
    updateScriptCommand();
    setBusy(false);
    if (!tree_.Empty()) {
        selectNode(1);
        setCommandEnabled("menuAlignColumns", true);
    }
}

// A page of the program's own: in the desktop's web browser, else in a window
// of the program.
bool MainWindow::openUrl(const QUrl& url) {
    if (urlOpener && urlOpener(url)) return true;
    auto* window = new ManualWindow(url, this);
    window->show();
    return true;
}

void MainWindow::openManual() {
    const QString index = FromNative(state_.paths.ProgramFolder) + QStringLiteral("help/index.html");
    if (!QFileInfo::exists(index) || !openUrl(QUrl::fromLocalFile(index)))
        prompter_->information(this, QStringLiteral("The manual could not be opened: ") + QDir::toNativeSeparators(index),
                               QString::fromUtf8(msg::kTitle), true);
}

void MainWindow::openReleaseNotes() {
    const QString page = FromNative(state_.paths.ProgramFolder) + QStringLiteral("release-notes.html");
    if (!QFileInfo::exists(page) || !openUrl(QUrl::fromLocalFile(page)))
        prompter_->information(this, QStringLiteral("The release notes could not be opened: ") + QDir::toNativeSeparators(page),
                               QString::fromUtf8(msg::kTitle), true);
}

void MainWindow::showAbout() {
    AboutDialog about(state_, this);
    about.exec();
}

}  // namespace ledgerly::ui
