#include "ui/pregledF.h"

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
#include <QStatusBar>
#include <QStyleFactory>
#include <QTreeWidget>

#include "app/Encoding.h"
#include "app/FileHelpers.h"
#include "app/IniFile.h"
#include "app/Messages.h"
#include "ui/AboutF.h"
#include "ui/CommandRegistry.h"
#include "ui/Palettes.h"
#include "ui/Pictures.h"
#include "ui/Prompter.h"
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

}  // namespace

// The desktop host, with the Eudora-running test replaceable for tests.
class pregledF::WindowHost : public GuiHost {
public:
    explicit WindowHost(pregledF& main) : GuiHost(main), main_(main) {}
    bool EudoraRunning() override { return main_.eudoraProbe ? main_.eudoraProbe() : GuiHost::EudoraRunning(); }

private:
    pregledF& main_;
};

pregledF::pregledF(AppState& state, Prompter* prompter, QWidget* parent)
    : QMainWindow(parent), state_(state), prompter_(prompter) {
    if (!prompter_) {
        ownPrompter_ = std::make_unique<DialogPrompter>();
        prompter_ = ownPrompter_.get();
    }
    host_ = std::make_unique<WindowHost>(*this);
    urlOpener = [](const QUrl& url) { return QDesktopServices::openUrl(url); };

    // Load step: the current folder is the program's, the hourglass shows.
    if (!state_.paths.ProgramFolder.empty()) QDir::setCurrent(FromNative(state_.paths.ProgramFolder));
    setBusy(true);
    setObjectName(QStringLiteral("pregledF"));
    setWindowTitle(QString::fromUtf8(msg::kTitle));
    setWindowIcon(ProgramIcon());

    treeView_ = new QTreeWidget(this);
    treeView_->setObjectName(QStringLiteral("DrvoSanducad"));
    treeView_->setHeaderHidden(true);
    treeView_->setColumnCount(1);
    treeView_->setContextMenuPolicy(Qt::NoContextMenu);
    treeView_->setSelectionMode(QAbstractItemView::SingleSelection);
    drvoI_ = MakeTreeImages(this);
    treeView_->installEventFilter(this);
    treeView_->viewport()->installEventFilter(this);
    setCentralWidget(treeView_);  // fills the client area above the status bar
    connect(treeView_, &QTreeWidget::itemExpanded, this, [this](QTreeWidgetItem* item) {
        const std::string key = item->data(0, kKeyRole).toByteArray().toStdString();
        tree_.SetExpanded(key, true);
        if (const TreeNode* n = tree_.Find(key)) item->setIcon(0, drvoI_->icon(n->image));
    });
    connect(treeView_, &QTreeWidget::itemCollapsed, this, [this](QTreeWidgetItem* item) {
        const std::string key = item->data(0, kKeyRole).toByteArray().toStdString();
        tree_.SetExpanded(key, false);
        if (const TreeNode* n = tree_.Find(key)) item->setIcon(0, drvoI_->icon(n->image));
    });
    connect(treeView_, &QTreeWidget::itemClicked, this, [this] { chooseCommandState(); });
    connect(treeView_, &QTreeWidget::currentItemChanged, this, [this] { chooseCommandState(); });

    statusBar()->setObjectName(QStringLiteral("StatusBar"));
    statusBar()->setSizeGripEnabled(true);
    statusLabel_ = new QLabel(statusBar());
    statusLabel_->setObjectName(QStringLiteral("StatusText"));
    statusBar()->addWidget(statusLabel_, 1);
    statusBar()->installEventFilter(this);
    statusLabel_->installEventFilter(this);

    buildMenus();

    // Commands that stay hidden for the life of the window.
    for (const char* name : {"menuFindAttachments", "menuMarkDuplicatesClassic", "menuMarkDuplicatesHash", "menuBonus",
                             "menuExportFiles", "menuEncryption"})
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

ledgerly::Host& pregledF::host() { return *host_; }

pregledF::~pregledF() {
    while (busy_ > 0) setBusy(false);
    qDeleteAll(findChildren<ToolPalette*>(QString(), Qt::FindDirectChildrenOnly));
}

QAction* pregledF::action(const char* name) const { return findChild<QAction*>(QString::fromLatin1(name)); }

void pregledF::buildMenus() {
    QMenuBar* bar = menuBar();
    auto* barStyle = new RightAlignedInfoStyle(QStyleFactory::create(QApplication::style()->name()));
    barStyle->setParent(bar);
    bar->setStyle(barStyle);

    auto sub = [this](auto* owner, const char* name, const char* caption) {
        QMenu* m = owner->addMenu(QString::fromLatin1(caption));
        m->setObjectName(QString::fromLatin1(name));
        m->menuAction()->setObjectName(QString::fromLatin1(name));
        return m;
    };
    auto item = [this](QMenu* menu, const char* name, const char* caption) {
        QAction* a = menu->addAction(QString::fromLatin1(caption));
        a->setObjectName(QString::fromLatin1(name));
        const QByteArray slot = QByteArray("1") + name + "_Click()";  // what SLOT() writes
        connect(a, SIGNAL(triggered()), this, slot.constData());
        return a;
    };
    auto separator = [](QMenu* menu, const char* name) { menu->addSeparator()->setObjectName(QString::fromLatin1(name)); };

    menuMailboxes_ = sub(bar, "menuMailboxes", "&Mailboxes");
    item(menuMailboxes_, "menuAddMailbox", "&Add...");
    item(menuMailboxes_, "menuSynchronizeMailbox", "&Synchronize");
    item(menuMailboxes_, "menuRebuildToc", "&Rebuild TOC...");

    menuDrvo_ = sub(bar, "menuDrvo", "&Tools");
    QMenu* mark = sub(menuDrvo_, "menuMark", "&Mark");
    item(mark, "menuMarkAllReceived", "All Messages &Received");
    item(mark, "menuMarkAllSent", "All Messages &Sent");
    item(mark, "menuMarkDuplicatesClassic", "&Duplicates (Slow)");
    item(mark, "menuMarkDuplicatesHash", "&Duplicates (Fast)");
    QMenu* update = sub(menuDrvo_, "menuUpdate", "&Update");
    item(update, "menuUpdateSR", "&Sent / Received Status");
    item(update, "menuUpdatePriority", "&Priority");
    item(update, "menuUpdateAttachment", "&Attachment");
    item(update, "menuUpdateDate", "&Date");
    item(update, "menuUpdateSubject", "S&ubject");
    item(update, "menuUpdateWho", "&Who");
    separator(update, "menuL12");
    item(update, "menuUpdateAll", "A&ll");
    QMenu* exportTo = sub(menuDrvo_, "menuExport", "&Export To");
    item(exportTo, "menuExportFiles", "&Files");
    item(exportTo, "menuExportReadersDigest", "&Readers Digest");
    item(exportTo, "menuExportOutlook", "&Mail Programs (mbox, Maildir, EML)...");
    QMenu* extract = sub(menuDrvo_, "menuExtract", "&Extract URL");
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
    QMenu* special = sub(menuDrvo_, "menuSpecial", "&Special");
    item(special, "menuRunScript", "Run &Script...");
    item(special, "menuHarvestEMailAddresses", "&Harvest E-Mail Addresses...");
    item(special, "menuStripHTMLTags", "Strip &HTML Tags");
    item(special, "menuDecodeQP", "Decode &Quoted Printable");
    item(special, "menuUpdateAttachmentLinks", "&Link Attachments...");
    item(special, "menuFixLastTag", "&Repair Message Delimiters");
    QMenu* encryption = sub(menuDrvo_, "menuEncryption", "&Encryption");
    item(encryption, "menuCipher", "Cipher");
    item(encryption, "menuDecipher", "Decipher");
    separator(encryption, "menuL41");
    item(encryption, "menuROT13", "&ROT13");
    item(menuDrvo_, "menuCreateBackup", "&Backup");
    QMenu* bonus = sub(menuDrvo_, "menuBonus", "&Bonus");
    item(bonus, "menuFlagDuplicates", "&Flag Duplicates");
    separator(menuDrvo_, "menuL2");
    item(menuDrvo_, "menuAlignColumns", "&Align Columns...");
    item(menuDrvo_, "menuFindAttachments", "&Orphaned Attachments...");

    QMenu* view = sub(bar, "menuView", "&View");
    QMenu* toolbars = sub(view, "menuToolbars", "Toolbars");
    item(toolbars, "menuFlaggingTools", "Flagging Tools");
    item(toolbars, "menuSpecialTools", "Special Tools");
    item(toolbars, "menuMiningTools", "Mining Tools");

    // Everything after this separator stands at the right-hand end of the bar.
    bar->addSeparator()->setObjectName(QStringLiteral("menuInfoSpacer"));
    QMenu* info = sub(bar, "menuInfo", "&Info");
    item(info, "menuHelp", "&Help");
    item(info, "menuReleaseNotes", "&Release Notes (Web)");
    separator(info, "menuL51");
    item(info, "menuAbout", "&About");
}

// ---- the tree ---------------------------------------------------------------

void pregledF::buildTreeItems(QTreeWidgetItem* item, const TreeNode& node) {
    item->setText(0, FromCp1252(node.text));
    item->setIcon(0, drvoI_->icon(node.image));
    item->setData(0, kKeyRole, QByteArray::fromStdString(node.key));
    item->setData(0, kTagRole, QString::fromStdString(node.tag));
    for (const TreeNode* child : tree_.ChildrenOf(node.key)) buildTreeItems(new QTreeWidgetItem(item), *child);
    item->setExpanded(node.expanded);
}

void pregledF::refreshTreeView() {
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
}

void pregledF::setFolderTree(FolderTree tree) {
    tree_ = std::move(tree);
    {
        const QSignalBlocker block(treeView_);
        treeView_->clear();
    }
    refreshTreeView();
}

QTreeWidgetItem* pregledF::itemFor(const std::string& key) const {
    const QByteArray wanted = QByteArray::fromStdString(key);
    for (QTreeWidgetItemIterator it(treeView_); *it; ++it)
        if ((*it)->data(0, kKeyRole).toByteArray() == wanted) return *it;
    return nullptr;
}

bool pregledF::selectKey(const std::string& key) {
    QTreeWidgetItem* item = itemFor(key);
    if (!item) return false;
    treeView_->setCurrentItem(item);
    treeView_->scrollToItem(item);
    chooseCommandState();
    return true;
}

void pregledF::selectNode(int index) {
    if (index >= 1 && index <= tree_.Count()) selectKey(tree_.Nodes()[static_cast<std::size_t>(index - 1)].key);
}

std::string pregledF::selectedKey() const {
    const QTreeWidgetItem* item = treeView_ ? treeView_->currentItem() : nullptr;
    return item ? item->data(0, kKeyRole).toByteArray().toStdString() : std::string();
}

std::string pregledF::selectedTag() const {
    const QTreeWidgetItem* item = treeView_ ? treeView_->currentItem() : nullptr;
    return item ? item->data(0, kTagRole).toString().toStdString() : std::string();
}

QString pregledF::selectedText() const {
    const QTreeWidgetItem* item = treeView_ ? treeView_->currentItem() : nullptr;
    return item ? item->text(0) : QString();
}

std::vector<MainWindowApi::TreeEntry> pregledF::treeNodes() const {
    std::vector<TreeEntry> entries;
    for (const TreeNode& node : tree_.Nodes()) entries.push_back({node.key, FromCp1252(node.text)});
    return entries;
}

// ---- command state ----------------------------------------------------------

void pregledF::setMailboxState(bool mailbox) {
    for (auto& p : palettes_)
        if (p) p->setEnabled(mailbox);
    for (const char* name : {"menuToolbars", "menuMark", "menuUpdate", "menuExtract", "menuSpecial", "menuBonus", "menuExport",
                             "menuDecodeQP", "menuCreateBackup", "menuRebuildToc"})
        setCommandEnabled(name, mailbox);
    setCommandEnabled("menuAlignColumns", !mailbox);
    setCommandEnabled("menuFindAttachments", selectedTag() == kRootTag);
}

void pregledF::setCommandEnabled(const char* name, bool enabled) {
    if (QAction* a = action(name)) {
        a->setProperty("commandEnabled", enabled);
        a->setEnabled(enabled);
    }
}

bool pregledF::commandEnabled(const char* name) const {
    const QAction* a = action(name);
    if (!a) return false;
    const QVariant v = a->property("commandEnabled");
    return v.isValid() ? v.toBool() : a->isEnabled();
}

void pregledF::EnableMailboxCommands() { setMailboxState(true); }
void pregledF::EnableFolderCommands() { setMailboxState(false); }

void pregledF::chooseCommandState() {
    if (tree_.Empty()) return;
    if (IsMailboxKey(selectedKey())) EnableMailboxCommands();
    else EnableFolderCommands();
}

void pregledF::updateScriptCommand() {
    setCommandEnabled("menuRunScript", FolderExists(state_.paths.DataFolder + "Scripts"));
}

// ---- MainWindowApi ----------------------------------------------------------

void pregledF::setStatus(const QString& text) {
    statusLabel_->setText(text);
    statusLabel_->repaint();
}

QString pregledF::statusText() const { return statusLabel_->text(); }

void pregledF::setBusy(bool busy) {
    if (busy) {
        ++busy_;
        QApplication::setOverrideCursor(Qt::WaitCursor);
    } else if (busy_ > 0) {
        --busy_;
        QApplication::restoreOverrideCursor();
    }
}

void pregledF::lockForTool(bool withFolderState) {
    treeView_->setEnabled(false);
    menuMailboxes_->menuAction()->setEnabled(false);
    menuDrvo_->menuAction()->setEnabled(false);
    if (withFolderState) EnableFolderCommands();
}

void pregledF::unlockAfterTool(bool withFolderState) {
    treeView_->setEnabled(true);
    menuMailboxes_->menuAction()->setEnabled(true);
    menuDrvo_->menuAction()->setEnabled(true);
    if (withFolderState) EnableMailboxCommands();
}

void pregledF::synchronizeTree() { menuSynchronizeMailbox_Click(); }

// ---- events -----------------------------------------------------------------

void pregledF::popupTools(const QPoint& globalPos) { menuDrvo_->popup(globalPos); }

bool pregledF::eventFilter(QObject* watched, QEvent* event) {
    if (watched == treeView_->viewport() && event->type() == QEvent::MouseButtonRelease) {
        auto* me = static_cast<QMouseEvent*>(event);
        if (me->button() == Qt::RightButton) {
            if (!tree_.Empty()) {
                chooseCommandState();
                popupTools(me->globalPosition().toPoint());
            } else {
                menuMailboxes_->popup(me->globalPosition().toPoint());
            }
            return true;
        }
        chooseCommandState();
    } else if (watched == treeView_ && event->type() == QEvent::KeyPress) {
        auto* ke = static_cast<QKeyEvent*>(event);
        if (ke->key() == Qt::Key_F10 && (ke->modifiers() & Qt::ShiftModifier)) {
            if (!tree_.Empty() && IsMailboxKey(selectedKey())) {
                chooseCommandState();
                const int y = statusBar()->geometry().top() - TwipsToPixelsY(*this, 1100);
                popupTools(mapToGlobal(QPoint(0, y)));
            }
            return true;
        }
    } else if (watched == treeView_ && event->type() == QEvent::KeyRelease) {
        chooseCommandState();
    } else if ((watched == statusBar() || watched == statusLabel_) && event->type() == QEvent::MouseButtonRelease) {
        if (static_cast<QMouseEvent*>(event)->button() == Qt::LeftButton) {
            StatusBar_Click();
            return true;
        }
    }
    return QMainWindow::eventFilter(watched, event);
}

void pregledF::StatusBar_Click() {
    prompter_->information(this, statusText(), QStringLiteral("Status Information - Ledgerly"), true);
}

// ---- settings ---------------------------------------------------------------

void pregledF::loadSettings() {
    const std::string& ini = state_.paths.IniPath;
    long long top = 0, left = 0;
    if (auto v = ReadIniNumber("Settings", "WindowTop", ini)) top = *v;
    if (auto v = ReadIniNumber("Settings", "WindowLeft", ini)) left = *v;
    move(TwipsToPixelsX(*this, left), TwipsToPixelsY(*this, top));

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

    // A palette opens when the whole-number part of its value is exactly 1.
    auto wanted = [&ini](const char* key, const char* fallback) {
        const auto v = ParseIniNumber(ReadIni("Toolbars", key, fallback, ini));
        return v && static_cast<long long>(*v) == 1;
    };
    if (wanted("FlaggingTools", "1")) openPalette(PaletteKind::Flagging);
    if (wanted("MiningTools", "0")) openPalette(PaletteKind::Mining);
    if (wanted("SpecialTools", "0")) openPalette(PaletteKind::Special);
}

void pregledF::showAsLoaded() {
    if (loadedState_ == 2) showMaximized();
    else if (loadedState_ == 1) showMinimized();
    else show();
    for (auto& p : palettes_)
        if (p) p->show();
}

void pregledF::saveToolbarFlags() {
    const std::string& ini = state_.paths.IniPath;
    auto flag = [this](PaletteKind k) { return palettes_[static_cast<int>(k)] ? "1" : "0"; };
    WriteIni("Toolbars", "FlaggingTools", flag(PaletteKind::Flagging), ini);
    WriteIni("Toolbars", "SpecialTools", flag(PaletteKind::Special), ini);
    WriteIni("Toolbars", "MiningTools", flag(PaletteKind::Mining), ini);
}

void pregledF::saveGeometry() {
    const std::string& ini = state_.paths.IniPath;
    const bool normal = !isMinimized() && !isMaximized();
    if (normal) {
        normalWidth_ = static_cast<int>(std::min<long long>(PixelsToTwipsX(*this, width()), 32767));
        normalHeight_ = static_cast<int>(std::min<long long>(PixelsToTwipsY(*this, height()), 32767));
    }
    WriteIni("Settings", "WindowHeight", FormatIniNumber(normalHeight_), ini);
    WriteIni("Settings", "WindowWidth", FormatIniNumber(normalWidth_), ini);
    if (isMaximized()) {
        WriteIni("Settings", "WindowState", FormatIniNumber(2), ini);
    } else if (isMinimized()) {
        WriteIni("Settings", "WindowState", FormatIniNumber(1), ini);
    } else {
        WriteIni("Settings", "WindowState", FormatIniNumber(0), ini);
        WriteIni("Settings", "WindowTop", FormatIniNumber(PixelsToTwipsY(*this, y())), ini);
        WriteIni("Settings", "WindowLeft", FormatIniNumber(PixelsToTwipsX(*this, x())), ini);
    }
}

void pregledF::closeEvent(QCloseEvent* event) {
    saveToolbarFlags();
    saveGeometry();
    // The palettes keep their own positions as they close.
    for (auto& p : palettes_)
        if (p) p->close();
    event->accept();
}

// ---- palettes ---------------------------------------------------------------

ToolPalette* pregledF::palette(PaletteKind kind) const { return palettes_[static_cast<int>(kind)].data(); }

void pregledF::paletteClosed(PaletteKind kind) { palettes_[static_cast<int>(kind)] = nullptr; }

ToolPalette* pregledF::openPalette(PaletteKind kind) {
    QPointer<ToolPalette>& slot = palettes_[static_cast<int>(kind)];
    if (!slot) {
        switch (kind) {
        case PaletteKind::Flagging: slot = new TFlaggingF(*this); break;
        case PaletteKind::Special: slot = new TSpecialF(*this); break;
        case PaletteKind::Mining: slot = new TMiningF(*this); break;
        }
    }
    if (isVisible()) {
        slot->show();
        slot->raise();
        slot->activateWindow();
    }
    return slot.data();
}

void pregledF::menuFlaggingTools_Click() { openPalette(PaletteKind::Flagging); }
void pregledF::menuSpecialTools_Click() { openPalette(PaletteKind::Special); }
void pregledF::menuMiningTools_Click() { openPalette(PaletteKind::Mining); }

// ---- the commands of this window --------------------------------------------

void pregledF::menuAddMailbox_Click() {
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

void pregledF::menuSynchronizeMailbox_Click() {
    const std::string& data = state_.paths.DataFolder;
    if (!FolderExists(data) || tree_.Empty()) return;
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

bool pregledF::openUrl(const QUrl& url) { return urlOpener ? urlOpener(url) : false; }

void pregledF::menuHelp_Click() {
    const QString index = FromNative(state_.paths.ProgramFolder) + QStringLiteral("help/index.html");
    if (!QFileInfo::exists(index) || !openUrl(QUrl::fromLocalFile(index)))
        prompter_->information(this, QStringLiteral("The manual could not be opened: ") + QDir::toNativeSeparators(index),
                               QString::fromUtf8(msg::kTitle), true);
}

void pregledF::menuReleaseNotes_Click() {
    const QString page = FromNative(state_.paths.ProgramFolder) + QStringLiteral("release-notes.html");
    if (!QFileInfo::exists(page) || !openUrl(QUrl::fromLocalFile(page)))
        prompter_->information(this, QStringLiteral("The release notes could not be opened: ") + QDir::toNativeSeparators(page),
                               QString::fromUtf8(msg::kTitle), true);
}

void pregledF::menuAbout_Click() {
    AboutF about(state_, this);
    about.exec();
}

// ---- the commands of the tools ----------------------------------------------

void pregledF::runRegistered(const char* control) { RunCommand(control, *this); }

#define LEDGERLY_REGISTERED(name) \
    void pregledF::name##_Click() { runRegistered(#name); }
LEDGERLY_REGISTERED(menuMarkAllReceived)
LEDGERLY_REGISTERED(menuMarkAllSent)
LEDGERLY_REGISTERED(menuMarkDuplicatesClassic)
LEDGERLY_REGISTERED(menuMarkDuplicatesHash)
LEDGERLY_REGISTERED(menuUpdateSR)
LEDGERLY_REGISTERED(menuUpdatePriority)
LEDGERLY_REGISTERED(menuUpdateAttachment)
LEDGERLY_REGISTERED(menuUpdateDate)
LEDGERLY_REGISTERED(menuUpdateSubject)
LEDGERLY_REGISTERED(menuUpdateWho)
LEDGERLY_REGISTERED(menuUpdateAll)
LEDGERLY_REGISTERED(menuExportFiles)
LEDGERLY_REGISTERED(menuExportReadersDigest)
LEDGERLY_REGISTERED(menuExportOutlook)
LEDGERLY_REGISTERED(menuExtractEMails)
LEDGERLY_REGISTERED(menuWebAddresses)
LEDGERLY_REGISTERED(menuFileReferences)
LEDGERLY_REGISTERED(menuFTPLinks)
LEDGERLY_REGISTERED(menuTelnetLinks)
LEDGERLY_REGISTERED(menuUsenetLinks)
LEDGERLY_REGISTERED(menuPhLinks)
LEDGERLY_REGISTERED(menuFingerLinks)
LEDGERLY_REGISTERED(menuRTSPLinks)
LEDGERLY_REGISTERED(menuXOptionsLinks)
LEDGERLY_REGISTERED(menuExtractAll)
LEDGERLY_REGISTERED(menuRunScript)
LEDGERLY_REGISTERED(menuHarvestEMailAddresses)
LEDGERLY_REGISTERED(menuStripHTMLTags)
LEDGERLY_REGISTERED(menuDecodeQP)
LEDGERLY_REGISTERED(menuUpdateAttachmentLinks)
LEDGERLY_REGISTERED(menuFixLastTag)
LEDGERLY_REGISTERED(menuCipher)
LEDGERLY_REGISTERED(menuDecipher)
LEDGERLY_REGISTERED(menuROT13)
LEDGERLY_REGISTERED(menuCreateBackup)
LEDGERLY_REGISTERED(menuFlagDuplicates)
LEDGERLY_REGISTERED(menuAlignColumns)
LEDGERLY_REGISTERED(menuFindAttachments)
LEDGERLY_REGISTERED(menuRebuildToc)
#undef LEDGERLY_REGISTERED

}  // namespace ledgerly::ui
