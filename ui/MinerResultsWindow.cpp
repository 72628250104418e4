#include "ui/MinerResultsWindow.h"

#include <QAction>
#include <QClipboard>
#include <QCloseEvent>
#include <QDesktopServices>
#include <QFile>
#include <QGuiApplication>
#include <QHeaderView>
#include <QKeyEvent>
#include <QLineEdit>
#include <QMenu>
#include <QMouseEvent>
#include <QSet>
#include <QTreeWidget>
#include <algorithm>

#include "app/Encoding.h"
#include "app/FileHelpers.h"
#include "app/TextHelpers.h"
#include "mining/MinerPlacement.h"
#include "mining/ResultFiles.h"
#include "ui/MinerPictures.h"
#include "ui/MainWindowApi.h"
#include "ui/Placement.h"
#include "ui/Prompter.h"
#include "ui/Twips.h"

namespace ledgerly::ui {
namespace {

constexpr long long kColumnNarrowerTwips = 300;
constexpr long long kDesignedSizeTwips = 5000;

QString Show(std::string_view cp1252) { return QString::fromUtf8(Cp1252ToUtf8(cp1252)); }
std::string Bytes(const QVariant& v) { return v.toByteArray().toStdString(); }
QByteArray ByteArray(const std::string& s) { return QByteArray(s.data(), static_cast<qsizetype>(s.size())); }

MinerEntry EntryOf(const QTreeWidgetItem* item) {
    return MinerEntry{Bytes(item->data(0, MinerResultsWindow::kTextRole)), Bytes(item->data(0, MinerResultsWindow::kTagRole)),
                      item->data(0, MinerResultsWindow::kIconRole).toString().toStdString()};
}

QUrl UrlOf(const std::string& cp1252) { return QUrl(Show(cp1252), QUrl::TolerantMode); }

}  // namespace

MinerResultsWindow* MinerResultsWindow::Open(MainWindowApi& main, const MinerResult& result) {
    auto* w = new MinerResultsWindow(main, result, main.window());
    switch (w->startState_) {
        case 1: w->showMinimized(); break;
        case 2: w->showMaximized(); break;
        default:
            w->show();
            KeepOnScreen(*w);  // now with its frame
            break;
    }
    return w;
}

MinerResultsWindow::MinerResultsWindow(MainWindowApi& main, const MinerResult& result, QWidget* parent)
    : QWidget(parent, Qt::Window), main_(main), mailboxName_(result.mailboxName) {
    setObjectName(QStringLiteral("minerF"));
    setAttribute(Qt::WA_DeleteOnClose);
    openUrl_ = [](const QUrl& url) { QDesktopServices::openUrl(url); };

    urlI_ = MakeUrlImages(this);
    formI_ = MakeFormImages(this);

    list_ = new QTreeWidget(this);
    list_->setObjectName(QStringLiteral("ListaURL"));
    list_->setColumnCount(1);
    list_->setHeaderLabel(QStringLiteral("URL"));
    list_->setRootIsDecorated(false);
    list_->setUniformRowHeights(true);
    list_->setSelectionMode(QAbstractItemView::ExtendedSelection);
    list_->setIconSize(QSize(16, 16));
    list_->setSortingEnabled(false);  // entries keep the order they were found in
    list_->setContextMenuPolicy(Qt::PreventContextMenu);
    list_->header()->setSectionsClickable(false);  // a flat header
    list_->header()->setStretchLastSection(false);
    list_->installEventFilter(this);
    list_->viewport()->installEventFilter(this);
    connect(list_, &QTreeWidget::itemDoubleClicked, this, [this] {
        if (list_->topLevelItemCount() > 0 && menuExecute_->isVisible()) execute();
    });

    sourceT_ = new QLineEdit(this);
    sourceT_->setObjectName(QStringLiteral("sourceT"));
    sourceT_->setFont(QFont(QStringLiteral("Verdana")));
    sourceT_->hide();
    sourceT_->installEventFilter(this);

    buildMenu();
    fill(result);
    applyPlacement();
}

void MinerResultsWindow::buildMenu() {
    menuURL_ = new QMenu(QStringLiteral("URL"), this);
    menuURL_->setObjectName(QStringLiteral("menuURL"));
    auto add = [this](QMenu* menu, const char* name, const char* caption, const char* shortcut = nullptr) {
        QAction* a = menu->addAction(QString::fromUtf8(caption));
        a->setObjectName(QString::fromUtf8(name));
        if (shortcut) {
            // Shown in the menu only: the list's key handler acts on the keys.
            a->setShortcut(QKeySequence(QString::fromUtf8(shortcut)));
            a->setShortcutContext(Qt::WidgetShortcut);
            a->setShortcutVisibleInContextMenu(true);
        }
        return a;
    };
    menuExecute_ = add(menuURL_, "menuExecute", "&Execute");
    menuCopy_ = add(menuURL_, "menuCopy", "&Copy", "Ctrl+C");
    menuViewSource_ = add(menuURL_, "menuViewSource", "View &Source", "Ctrl+S");
    menuAddToHistory_ = add(menuURL_, "menuAddToHistory", kLinkHistoryCaption, "Ctrl+H");
    menuAddToAddressBook_ = add(menuURL_, "menuAddToAddressBook", "Add to Address &Book", "Ctrl+B");
    menuExport_ = add(menuURL_, "menuExport", "E&xport...", "Ctrl+E");
    menuDelete_ = add(menuURL_, "menuDelete", "&Delete", "Ctrl+D");
    menuComposeMessage_ = menuURL_->addMenu(QStringLiteral("Compose &Message"));
    menuComposeMessage_->setObjectName(QStringLiteral("menuComposeMessage"));
    menuComposeMessage_->menuAction()->setObjectName(QStringLiteral("menuComposeMessage"));
    QAction* to = add(menuComposeMessage_, "menuTo", "&To");
    QAction* cc = add(menuComposeMessage_, "menuCC", "&CC");
    QAction* bcc = add(menuComposeMessage_, "menuBCC", "&BCC");
    menuURL_->addSeparator()->setObjectName(QStringLiteral("menuLinija1"));
    menuSelectAll_ = add(menuURL_, "menuSelectAll", "&Select All", "Ctrl+A");

    connect(menuExecute_, &QAction::triggered, this, &MinerResultsWindow::execute);
    connect(menuCopy_, &QAction::triggered, this, &MinerResultsWindow::copySelection);
    connect(menuViewSource_, &QAction::triggered, this, &MinerResultsWindow::viewSource);
    connect(menuAddToHistory_, &QAction::triggered, this, &MinerResultsWindow::addToHistory);
    connect(menuAddToAddressBook_, &QAction::triggered, this, &MinerResultsWindow::addToAddressBook);
    connect(menuExport_, &QAction::triggered, this, &MinerResultsWindow::exportEntries);
    connect(menuDelete_, &QAction::triggered, this, &MinerResultsWindow::deleteSelection);
    connect(menuSelectAll_, &QAction::triggered, this, &MinerResultsWindow::selectAllEntries);
    connect(to, &QAction::triggered, this, [this] { compose(Compose::To); });
    connect(cc, &QAction::triggered, this, [this] { compose(Compose::CC); });
    connect(bcc, &QAction::triggered, this, [this] { compose(Compose::BCC); });
}

void MinerResultsWindow::fill(const MinerResult& result) {
    setWindowTitle(Show(result.windowCaption));
    list_->setHeaderLabel(Show(result.columnCaption));
    QList<QTreeWidgetItem*> items;
    items.reserve(static_cast<qsizetype>(result.entries.size()));
    for (const MinerEntry& e : result.entries) {
        auto* item = new QTreeWidgetItem;
        const QString icon = QString::fromStdString(e.icon);
        item->setText(0, Show(e.text));
        item->setIcon(0, urlI_->icon(icon));
        item->setData(0, kTextRole, ByteArray(e.text));
        item->setData(0, kTagRole, ByteArray(e.tag));
        item->setData(0, kIconRole, icon);
        items << item;
    }
    list_->addTopLevelItems(items);

    menuExecute_->setVisible(result.executeVisible);
    menuComposeMessage_->menuAction()->setVisible(result.composeVisible);
    menuAddToAddressBook_->setVisible(result.addressBookVisible);
    menuAddToHistory_->setText(QString::fromUtf8(result.historyCaption));
    menuAddToHistory_->setEnabled(result.historyEnabled);
    if (!result.windowIcon.empty()) setWindowIcon(formI_->icon(QString::fromStdString(result.windowIcon)));
}

MinerMode MinerResultsWindow::mode() const {
    return menuAddToHistory_->text() == QLatin1String(kAddressHistoryCaption) ? MinerMode::Addresses : MinerMode::Links;
}

std::vector<MinerEntry> MinerResultsWindow::entries() const {
    std::vector<MinerEntry> out;
    for (int i = 0; i < list_->topLevelItemCount(); ++i) out.push_back(EntryOf(list_->topLevelItem(i)));
    return out;
}

std::vector<MinerEntry> MinerResultsWindow::selectedEntries() const {
    std::vector<MinerEntry> out;
    for (int i = 0; i < list_->topLevelItemCount(); ++i)
        if (list_->topLevelItem(i)->isSelected()) out.push_back(EntryOf(list_->topLevelItem(i)));
    return out;
}

int MinerResultsWindow::selectedCount() const { return static_cast<int>(list_->selectedItems().size()); }

QTreeWidgetItem* MinerResultsWindow::singleOrCurrent() const {
    const QList<QTreeWidgetItem*> selected = list_->selectedItems();
    if (selected.size() == 1) return selected.front();
    return list_->currentItem();
}

// ---- placement ----


void MinerResultsWindow::applyPlacement() {
    const PlacementDecision d = DecidePlacement(ReadMinerPlacement(main_.state().paths.IniPath));
    switch (d.action) {
        case PlacementAction::Normal:
            startState_ = 0;
            move(TwipsToPixelsX(*this, d.rect.left), TwipsToPixelsY(*this, d.rect.top));
            resize(TwipsToPixelsX(*this, d.rect.width), TwipsToPixelsY(*this, d.rect.height));
            KeepOnScreen(*this);
            break;
        case PlacementAction::Minimise:
        case PlacementAction::Maximise:
            startState_ = d.action == PlacementAction::Minimise ? 1 : 2;
            resize(TwipsToPixelsX(*this, kDesignedSizeTwips), TwipsToPixelsY(*this, kDesignedSizeTwips));
            break;
        case PlacementAction::AsDesigned:
            startState_ = -1;
            resize(TwipsToPixelsX(*this, kDesignedSizeTwips), TwipsToPixelsY(*this, kDesignedSizeTwips));
            break;
    }
}

void MinerResultsWindow::resizeEvent(QResizeEvent* event) {
    QWidget::resizeEvent(event);
    if (isMinimized()) return;
    list_->setGeometry(0, 0, width(), height());
    list_->setColumnWidth(0, std::max(0, list_->width() - TwipsToPixelsX(*this, kColumnNarrowerTwips)));
}

void MinerResultsWindow::closeEvent(QCloseEvent* event) {
    const std::string& ini = main_.state().paths.IniPath;
    if (!ini.empty()) {
        MinerPlacement p;
        const bool normal = !isMinimized() && !isMaximized();
        p.state = isMinimized() ? 1 : isMaximized() ? 2 : 0;
        p.top = PixelsToTwipsY(*this, pos().y());
        p.left = PixelsToTwipsX(*this, pos().x());
        p.width = PixelsToTwipsX(*this, width());
        p.height = PixelsToTwipsY(*this, height());
        SaveMinerPlacement(ini, p, normal);
    }
    event->accept();
}

// ---- keys and mouse ----

bool MinerResultsWindow::eventFilter(QObject* watched, QEvent* event) {
    if (watched == list_) {
        if (event->type() == QEvent::ShortcutOverride || event->type() == QEvent::KeyPress) {
            auto* key = static_cast<QKeyEvent*>(event);
            if (event->type() == QEvent::ShortcutOverride) {
                // Keep the keys for the handler below rather than any shortcut.
                const int k = key->key();
                const bool ours = k == Qt::Key_Escape || k == Qt::Key_F10 || k == Qt::Key_Menu || k == Qt::Key_Return || k == Qt::Key_Enter ||
                                  ((key->modifiers() & Qt::ControlModifier) && k < 128 &&
                                   QByteArrayLiteral("CSHBDAE").contains(static_cast<char>(k)));
                if (ours) event->accept();
                return false;
            }
            return listKey(key);
        }
    } else if (watched == list_->viewport()) {
        if (event->type() == QEvent::MouseButtonRelease) {
            auto* mouse = static_cast<QMouseEvent*>(event);
            if (mouse->button() == Qt::RightButton && list_->topLevelItemCount() > 0) {
                openContextMenu(mouse->globalPosition().toPoint());
                return true;
            }
        }
    } else if (watched == sourceT_) {
        if (event->type() == QEvent::KeyPress) return editorKey(static_cast<QKeyEvent*>(event));
        if (event->type() == QEvent::FocusOut && sourceT_->isVisible() && !closingEditor_) {
            const Qt::FocusReason reason = static_cast<QFocusEvent*>(event)->reason();
            if (reason != Qt::ActiveWindowFocusReason && reason != Qt::PopupFocusReason) closeEditor(false);
        }
    }
    return QWidget::eventFilter(watched, event);
}

bool MinerResultsWindow::listKey(QKeyEvent* key) {
    const Qt::KeyboardModifiers mods =
        key->modifiers() & (Qt::ShiftModifier | Qt::ControlModifier | Qt::AltModifier | Qt::MetaModifier);
    const bool ctrl = mods == Qt::ControlModifier;
    const bool shift = mods == Qt::ShiftModifier;
    const int k = key->key();
    if (k == Qt::Key_Escape) {
        close();
        return true;
    }
    const bool enter = mods == Qt::NoModifier && (k == Qt::Key_Return || k == Qt::Key_Enter);
    const bool ctrlKey = ctrl && (k == Qt::Key_C || k == Qt::Key_S || k == Qt::Key_H || k == Qt::Key_B ||
                                  k == Qt::Key_D || k == Qt::Key_A || k == Qt::Key_E);
    const bool menuKey = (shift && k == Qt::Key_F10) || (mods == Qt::NoModifier && k == Qt::Key_Menu);
    if (!enter && !ctrlKey && !menuKey) return false;
    if (list_->topLevelItemCount() == 0) return true;  // on an empty list only Esc acts
    const bool one = selectedCount() == 1;
    if (enter) {
        if (one && menuExecute_->isVisible()) execute();
    } else if (menuKey) {
        QTreeWidgetItem* item = list_->currentItem() ? list_->currentItem() : list_->topLevelItem(0);
        const QRect r = list_->visualItemRect(item);
        openContextMenu(list_->viewport()->mapToGlobal(r.isValid() ? r.center() : QPoint(0, 0)));
    } else {
        switch (k) {
            case Qt::Key_C: if (one) copySelection(); break;
            case Qt::Key_S: if (one) viewSource(); break;
            case Qt::Key_H: addToHistory(); break;
            case Qt::Key_B: addToAddressBook(); break;
            case Qt::Key_D: deleteSelection(); break;
            case Qt::Key_A: selectAllEntries(); break;
            case Qt::Key_E: exportEntries(); break;
            default: break;
        }
    }
    return true;
}

void MinerResultsWindow::openContextMenu(const QPoint& globalPos) {
    const bool atMostOne = selectedCount() <= 1;
    menuViewSource_->setEnabled(atMostOne);
    menuExecute_->setEnabled(atMostOne);
    menuURL_->popup(globalPos);
}

// ---- commands ----

void MinerResultsWindow::execute() {
    QTreeWidgetItem* item = singleOrCurrent();
    if (!item) return;
    std::string link = Bytes(item->data(0, kTagRole));
    link.erase(std::remove_if(link.begin(), link.end(), [](char c) { return c == '\r' || c == '\n'; }), link.end());
    link = TrimSpaces(link);
    const QString question = Show("Do you really want to execute\r\n'" + link + "' ?");
    if (main_.prompter().question(this, question, QStringLiteral("Warning - Ledgerly"))) openUrl_(UrlOf(link));
    list_->setFocus();
}

void MinerResultsWindow::copySelection() {
    std::string joined;
    bool first = true;
    for (const MinerEntry& e : selectedEntries()) {
        if (!first) joined += "\r\n";
        joined += e.text;
        first = false;
    }
    QClipboard* clipboard = QGuiApplication::clipboard();
    clipboard->clear();
    clipboard->setText(Show(joined));
}

void MinerResultsWindow::viewSource() {
    QTreeWidgetItem* item = singleOrCurrent();
    if (!item) return;
    list_->scrollToItem(item);
    const QRect r = list_->visualItemRect(item);
    const QPoint topLeft = list_->viewport()->mapTo(this, r.topLeft());
    sourceT_->setGeometry(topLeft.x(), topLeft.y(), std::max(40, list_->viewport()->width() - r.left()), r.height());
    sourceT_->setText(Show(Bytes(item->data(0, kTagRole))));
    sourceT_->selectAll();
    editing_ = item;
    sourceT_->show();
    sourceT_->raise();
    sourceT_->setFocus();
    list_->setEnabled(false);
}

bool MinerResultsWindow::editorKey(QKeyEvent* key) {
    switch (key->key()) {
        case Qt::Key_Return:
        case Qt::Key_Enter: closeEditor(true); return true;
        case Qt::Key_Escape:
        case Qt::Key_Tab:
        case Qt::Key_Backtab: closeEditor(false); return true;
        default: return false;
    }
}

void MinerResultsWindow::closeEditor(bool keepText) {
    closingEditor_ = true;
    if (keepText && editing_) {
        // The entry's text takes the edit; its tag stays the link that was found.
        const std::string text = Utf8ToCp1252(sourceT_->text().toStdString());
        editing_->setData(0, kTextRole, ByteArray(text));
        editing_->setText(0, Show(text));
    }
    editing_ = nullptr;
    list_->setEnabled(true);
    sourceT_->hide();
    list_->setFocus();
    closingEditor_ = false;
}

void MinerResultsWindow::deleteSelection() {
    const QList<QTreeWidgetItem*> selected = list_->selectedItems();
    if (selected.isEmpty()) return;
    const QSet<QTreeWidgetItem*> gone(selected.begin(), selected.end());
    QList<QTreeWidgetItem*> all = list_->invisibleRootItem()->takeChildren();
    QList<QTreeWidgetItem*> kept;
    kept.reserve(all.size() - gone.size());
    for (QTreeWidgetItem* item : all) {
        if (gone.contains(item)) delete item;
        else kept << item;
    }
    list_->addTopLevelItems(kept);
}

void MinerResultsWindow::selectAllEntries() { list_->selectAll(); }

void MinerResultsWindow::compose(Compose kind) {
    std::string joined;
    for (const MinerEntry& e : selectedEntries()) {
        if (!joined.empty()) joined += ", ";
        joined += e.text;
    }
    const char* prefix = kind == Compose::To ? "mailto:" : kind == Compose::CC ? "mailto:?cc=" : "mailto:?bcc=";
    openUrl_(UrlOf(prefix + joined));
}

void MinerResultsWindow::refuseOrReport(const std::string& error) {
    main_.prompter().information(this, QString::fromUtf8(error.c_str()), QStringLiteral("Ledgerly"), true);
}

void MinerResultsWindow::addToHistory() {
    if (list_->topLevelItemCount() == 0 || !menuAddToHistory_->isEnabled()) return;
    ToolContext context{main_.state(), main_.host()};
    if (Status s = AddToHistory(context, mode(), selectedEntries()); !s) refuseOrReport(s.error());
}

void MinerResultsWindow::addToAddressBook() {
    if (list_->topLevelItemCount() == 0 || !menuAddToAddressBook_->isVisible()) return;
    ToolContext context{main_.state(), main_.host()};
    if (auto r = AddToAddressBook(context, mailboxName_, selectedEntries()); !r) refuseOrReport(r.error());
}

void MinerResultsWindow::exportEntries() {
    QStringList filters;
    for (const char* f : kExportFilters) filters << QString::fromUtf8(f);
    QString chosen;
    const QString path = main_.prompter().saveFile(this, filters.join(QStringLiteral(";;")), Show(mailboxName_), &chosen,
                                                   QString::fromUtf8(kExportDialogTitle));
    if (path.isEmpty()) return;
    const qsizetype index = filters.indexOf(chosen);
    const ExportFormat format = index < 0 ? ExportFormat::Csv : static_cast<ExportFormat>(index + 1);
    std::vector<std::string> texts;
    for (const MinerEntry& e : selectedEntries()) texts.push_back(e.text);
    if (Status s = WriteWholeFileChecked(QFile::encodeName(path).toStdString(), ExportString(mailboxName_, texts, format)); !s)
        refuseOrReport(s.error());
}

}  // namespace ledgerly::ui
