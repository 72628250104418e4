#include "ui/OrphanedAttachmentsDialog.h"

#include <QApplication>
#include <QButtonGroup>
#include <QDesktopServices>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QHeaderView>
#include <QListWidget>
#include <QPushButton>
#include <QRadioButton>
#include <QStatusBar>
#include <QTreeWidget>
#include <QUrl>
#include <QVBoxLayout>
#include <algorithm>
#include <memory>

#include "app/FileHelpers.h"
#include "app/Messages.h"
#include "app/TextHelpers.h"
#include "attachments/AttachmentFolders.h"
#include "ui/AttachmentWindowHost.h"
#include "ui/MainWindowApi.h"
#include "ui/ForwardingHost.h"
#include "ui/Prompter.h"
#include "ui/ToolRunner.h"
#include "ui/Twips.h"
#include "ui/Placement.h"

namespace ledgerly::ui {
namespace {

// The finder reads its stop from its own control: the run's stop (Cancel, or
// the window closing) is put there at each of its calls.
class StopReachingFinder : public ForwardingHost {
public:
    using ForwardingHost::ForwardingHost;
    FinderControl control;
    void Status(std::string_view text) override {
        Sync();
        inner_.Status(text);
    }
    void Wait(int milliseconds) override {
        inner_.Wait(milliseconds);
        Sync();
    }

private:
    void Sync() {
        if (inner_.StopRequested()) control.stopRequested = control.closing = true;
    }
};

QString Q(const std::string& s) { return QString::fromStdString(s); }
constexpr int kPathRole = Qt::UserRole;


bool SameFolder(const std::string& a, const std::string& b) {
    const std::string sa = GetShortPath(a), sb = GetShortPath(b);
    return EqualsNoCase(WithTrailingSeparator(sa.empty() ? a : sa), WithTrailingSeparator(sb.empty() ? b : sb));
}

}  // namespace

OrphanedAttachmentsDialog::OrphanedAttachmentsDialog(MainWindowApi& main, const std::string& folderKey, const QString& folderText, QWidget* parent)
    : QDialog(parent), main_(main), folderKey_(WithTrailingSeparator(folderKey)) {
    setObjectName(QStringLiteral("finderF"));
    FitWhenShown(*this);  // large enough for its texts and columns
    setWindowTitle(QStringLiteral("Unreferenced Attachments"));
    openWithShell = [](const QString& path) { QDesktopServices::openUrl(QUrl::fromLocalFile(path)); };

    auto* layout = new QVBoxLayout(this);
    auto* top = new QHBoxLayout;
    FrameFolders = new QGroupBox(QStringLiteral("Search in Folders"), this);
    FrameFolders->setObjectName(QStringLiteral("FrameFolders"));
    auto* folders = new QHBoxLayout(FrameFolders);
    ListFolders = new QListWidget(FrameFolders);
    ListFolders->setObjectName(QStringLiteral("ListFolders"));
    folders->addWidget(ListFolders, 1);
    auto* folderButtons = new QVBoxLayout;
    FolderAddD = Button("FolderAddD", "&Add", FrameFolders);
    FolderRemoveD = Button("FolderRemoveD", "&Remove", FrameFolders);
    folderButtons->addWidget(FolderAddD);
    folderButtons->addWidget(FolderRemoveD);
    folderButtons->addStretch();
    folders->addLayout(folderButtons);
    top->addWidget(FrameFolders, 1);

    FrameFiles = new QGroupBox(QStringLiteral("Search For"), this);
    FrameFiles->setObjectName(QStringLiteral("FrameFiles"));
    auto* files = new QVBoxLayout(FrameFiles);
    filesO = new QButtonGroup(this);
    filesO->setObjectName(QStringLiteral("filesO"));
    filesAttachments = new QRadioButton(QStringLiteral("A&ttachments"), FrameFiles);
    filesAttachments->setObjectName(QStringLiteral("filesO1"));
    filesEmbedded = new QRadioButton(QStringLiteral("&Embedded Files"), FrameFiles);
    filesEmbedded->setObjectName(QStringLiteral("filesO2"));
    filesO->addButton(filesAttachments, 1);
    filesO->addButton(filesEmbedded, 2);
    filesAttachments->setChecked(true);
    files->addWidget(filesAttachments);
    files->addWidget(filesEmbedded);
    files->addStretch();
    top->addWidget(FrameFiles);
    layout->addLayout(top, 2);

    FrameResults = new QGroupBox(QStringLiteral("Orphaned Attachments"), this);
    FrameResults->setObjectName(QStringLiteral("FrameResults"));
    auto* results = new QVBoxLayout(FrameResults);
    ListFiles = new QTreeWidget(FrameResults);
    ListFiles->setObjectName(QStringLiteral("ListFiles"));
    ListFiles->setRootIsDecorated(false);
    ListFiles->setSelectionMode(QAbstractItemView::ExtendedSelection);
    ListFiles->setHeaderLabels({QStringLiteral("File Name"), QStringLiteral("Full Path ")});
    ListFiles->setColumnWidth(0, TwipsToPixelsX(*this, 1800));
    ListFiles->setColumnWidth(1, TwipsToPixelsX(*this, 3400));
    ListFiles->setSortingEnabled(true);
    ListFiles->sortByColumn(0, Qt::AscendingOrder);
    results->addWidget(ListFiles, 1);
    auto* resultButtons = new QHBoxLayout;
    copyD = Button("copyD", "&Copy...", FrameResults);
    moveD = Button("moveD", "&Move...", FrameResults);
    deleteD = Button("deleteD", "&Wipe", FrameResults);
    resultButtons->addWidget(copyD);
    resultButtons->addWidget(moveD);
    resultButtons->addWidget(deleteD);
    resultButtons->addStretch();
    results->addLayout(resultButtons);
    layout->addWidget(FrameResults, 3);

    auto* bottom = new QHBoxLayout;
    scanD = Button("scanD", "Re&scan", this);
    stopD = Button("stopD", "Ca&ncel", this);
    bottom->addStretch();
    bottom->addWidget(scanD);
    bottom->addWidget(stopD);
    layout->addLayout(bottom);
    StatusBar = new QStatusBar(this);
    StatusBar->setObjectName(QStringLiteral("StatusBar"));
    StatusBar->setSizeGripEnabled(false);
    layout->addWidget(StatusBar);
    host_ = std::make_unique<AttachmentWindowHost>(main_, this, StatusBar);

    connect(scanD, &QPushButton::clicked, this, [this] { scan(); });
    connect(stopD, &QPushButton::clicked, this, [this] { stop(); });
    connect(FolderAddD, &QPushButton::clicked, this, [this] { addFolder(); });
    connect(FolderRemoveD, &QPushButton::clicked, this, [this] { removeFolder(); });
    connect(filesO, &QButtonGroup::idClicked, this, [this](int) { modeChanged(); });
    connect(copyD, &QPushButton::clicked, this, [this] { copySelectedFiles(false); });
    connect(moveD, &QPushButton::clicked, this, [this] { copySelectedFiles(true); });
    connect(deleteD, &QPushButton::clicked, this, [this] { wipe(); });
    connect(ListFolders, &QListWidget::itemDoubleClicked, this, [this] { folderDoubleClicked(); });
    connect(ListFiles, &QTreeWidget::itemDoubleClicked, this, [this] { resultDoubleClicked(); });

    // Opening: the mailboxes of the folder, the captions, "Ready".
    mailboxes_ = ListMailboxes(folderKey_);
    setWindowTitle(Q(FinderCaption(folderText.toStdString(), mailboxes_.size())));
    scanD->setText(Q(ScanCaption(mailboxes_.size())));
    StatusBar->showMessage(QString::fromUtf8(msg::kReady));

    // Loading: buttons off until there are results, then the first search folder.
    copyD->setEnabled(false);
    moveD->setEnabled(false);
    deleteD->setEnabled(false);
    stopD->setEnabled(false);
    const AppState& state = main_.state();
    const PathMapper mapper(state.paths.DataFolder.empty() ? folderKey_ : state.paths.DataFolder);
    for (const std::string& f : InitialSearchFolders(state, mapper)) addFolderRow(f);
    enableScanControls(ListFolders->count() > 0);
}

OrphanedAttachmentsDialog::~OrphanedAttachmentsDialog() = default;

void OrphanedAttachmentsDialog::addFolderRow(const std::string& path) {
    auto* item = new QListWidgetItem(Q(GetFolderName(path)), ListFolders);
    item->setData(kPathRole, Q(path));
    item->setToolTip(Q(path));
}

FinderMode OrphanedAttachmentsDialog::mode() const { return filesEmbedded->isChecked() ? FinderMode::Embedded : FinderMode::Attachments; }

void OrphanedAttachmentsDialog::enableScanControls(bool on) {
    scanD->setEnabled(on);
    filesAttachments->setEnabled(on);
    filesEmbedded->setEnabled(on);
}

void OrphanedAttachmentsDialog::updateFileButtons() {
    const bool any = ListFiles->topLevelItemCount() > 0;
    copyD->setEnabled(any);
    moveD->setEnabled(any);
    deleteD->setEnabled(any);
}

void OrphanedAttachmentsDialog::scan() {
    if (ListFolders->count() == 0 || scanning_) return;
    ListFiles->clear();
    FolderAddD->setEnabled(false);
    FolderRemoveD->setEnabled(false);
    enableScanControls(false);
    copyD->setEnabled(false);
    moveD->setEnabled(false);
    deleteD->setEnabled(false);
    stopD->setEnabled(true);
    closed_ = false;
    scanning_ = true;

    const AppState& state = main_.state();
    const PathMapper mapper(state.paths.DataFolder.empty() ? folderKey_ : state.paths.DataFolder);
    FinderRequest request;
    request.mode = mode();
    for (int i = 0; i < ListFolders->count(); ++i)
        request.searchFolders.push_back(WithTrailingSeparator(ListFolders->item(i)->data(kPathRole).toString().toStdString()));
    request.mailboxes = ListMailboxes(folderKey_);
    request.mapper = &mapper;
    // The scan runs off the UI thread, the window live meanwhile; its Cancel
    // reaches the scan through the run's stop.
    auto result = std::make_shared<FinderResult>();
    ToolJob job;
    job.title = QStringLiteral("Search for Orphaned Attachments");
    job.owner = this;
    job.uiHost = host_.get();
    job.work = [result, request](ToolContext& context) {
        StopReachingFinder host(context.host);
        *result = FindOrphans(request, host, host.control);
    };
    bool completed = false;
    job.finish = [&completed](const ToolRunEnd& end) { completed = end.Completed(); };
    if (main_.runner().start(std::move(job))) main_.runner().waitUntilIdle();
    scanning_ = false;
    if (!completed) {
        result->stopped = true;
        result->status = "Search canceled.";
    }
    wipeRefusal_ = WipeRefusal(*result);
    if (closed_) return;  // the window was closed during the scan: nothing more to show

    if (!result->stopped && !result->nothingToSearch) {
        ListFiles->setSortingEnabled(false);
        int k = 0;
        for (const std::string& path : result->orphans) {
            const ResultRow row = MakeResultRow(path);
            auto* item = new QTreeWidgetItem(ListFiles, {Q(row.fileName), Q(row.fullPath)});
            item->setToolTip(1, Q(row.fullPath));
            StatusBar->showMessage(QStringLiteral("Search in progress... ") + QString::number(++k));
        }
        ListFiles->setSortingEnabled(true);
    }
    stopD->setEnabled(false);
    updateFileButtons();
    StatusBar->showMessage(Q(result->status));
    scanD->setText(Q(RescanCaption(mailboxes_.size())));
    ListFiles->sortByColumn(0, Qt::AscendingOrder);
    FrameResults->setTitle(mode() == FinderMode::Attachments ? QStringLiteral("Orphaned Attachments") : QStringLiteral("Orphaned Embedded Files"));
    FolderAddD->setEnabled(true);
    FolderRemoveD->setEnabled(true);
    enableScanControls(ListFolders->count() > 0);
    filesAttachments->setEnabled(true);
    filesEmbedded->setEnabled(true);
}

void OrphanedAttachmentsDialog::stop() {
    if (scanning_) main_.runner().requestStop();
}

void OrphanedAttachmentsDialog::done(int r) {
    // Closing ends a running scan at once; nothing keeps running behind a closed window.
    if (scanning_) {
        closed_ = true;
        main_.runner().requestStop();
    }
    QDialog::done(r);
}

void OrphanedAttachmentsDialog::addFolder() {
    QString chosen;
    {
        BusyCursor busy;
        chosen = main_.prompter().chooseFolder(this, QStringLiteral("Add folder where attachments are stored."));
    }
    if (!chosen.isEmpty()) {
        std::string path = TrimSpaces(TrimAtNull(chosen.toStdString()));
        path = WithTrailingSeparator(path);
        bool known = false;
        for (int i = 0; i < ListFolders->count() && !known; ++i)
            known = SameFolder(ListFolders->item(i)->data(kPathRole).toString().toStdString(), path);
        // A bare drive or file-system root is refused.
        if (path.size() > 3 && !known) addFolderRow(path);
    }
    if (ListFolders->count() > 0) enableScanControls(true);
    updateFileButtons();
}

void OrphanedAttachmentsDialog::removeFolder() {
    if (ListFolders->count() > 0) {
        QListWidgetItem* item = ListFolders->currentItem();
        if (!item && !ListFolders->selectedItems().isEmpty()) item = ListFolders->selectedItems().front();
        delete item;
    }
    if (ListFolders->count() == 0) enableScanControls(false);
    updateFileButtons();
}

void OrphanedAttachmentsDialog::modeChanged() {
    if (mode() == FinderMode::Attachments) {
        FolderAddD->setEnabled(true);
        FolderRemoveD->setEnabled(true);
    } else {
        ListFolders->clear();
    }
    scanD->setEnabled(ListFolders->count() > 0);
    if (ListFiles->topLevelItemCount() == 0) updateFileButtons();
}

std::vector<ResultRow> OrphanedAttachmentsDialog::rowsOfList(std::vector<std::size_t>& selected, std::vector<QTreeWidgetItem*>& items) const {
    std::vector<ResultRow> rows;
    for (int i = 0; i < ListFiles->topLevelItemCount(); ++i) {
        QTreeWidgetItem* item = ListFiles->topLevelItem(i);
        ResultRow row{item->text(0).toStdString(), item->text(1).toStdString(), item->font(0).bold()};
        if (item->isSelected()) selected.push_back(rows.size());
        rows.push_back(std::move(row));
        items.push_back(item);
    }
    return rows;
}

void OrphanedAttachmentsDialog::copySelectedFiles(bool move) {
    if (ListFiles->topLevelItemCount() == 0) return;
    BusyCursor busy;
    const QString folder = main_.prompter().chooseFolder(
        this, move ? QStringLiteral("Move selected attachments to folder:") : QStringLiteral("Copy selected attachments to folder:"));
    if (folder.isEmpty()) return;
    std::vector<std::size_t> selected;
    std::vector<QTreeWidgetItem*> items;
    std::vector<ResultRow> rows = rowsOfList(selected, items);
    const TransferSummary s = TransferFiles(rows, selected, TrimAtNull(folder.toStdString()), move, *host_);
    ListFiles->setSortingEnabled(false);
    for (std::size_t i = 0; i < rows.size(); ++i) {
        items[i]->setText(1, Q(rows[i].fullPath));
        items[i]->setToolTip(1, Q(rows[i].fullPath));
        QFont font = items[i]->font(0);
        font.setBold(rows[i].bold);
        items[i]->setFont(0, font);
        items[i]->setFont(1, font);
    }
    ListFiles->setSortingEnabled(true);
    if (!s.status.empty()) StatusBar->showMessage(Q(s.status));
}

void OrphanedAttachmentsDialog::wipe() {
    if (ListFiles->topLevelItemCount() == 0) return;
    if (!wipeRefusal_.empty()) {
        main_.prompter().information(this, Q(wipeRefusal_), QString::fromUtf8(msg::kTitle));
        return;
    }
    if (!main_.prompter().question(this, QString::fromUtf8(kWipeQuestion), QString::fromUtf8(msg::kTitle))) return;
    std::vector<std::size_t> selected;
    std::vector<QTreeWidgetItem*> items;
    std::vector<ResultRow> rows = rowsOfList(selected, items);
    const WipeSummary s = WipeFiles(rows, selected);
    for (std::size_t index : s.removed) delete items[index];
    StatusBar->showMessage(Q(s.status));
    updateFileButtons();
}

void OrphanedAttachmentsDialog::folderDoubleClicked() {
    if (ListFolders->count() == 0 || !ListFolders->currentItem()) return;
    openWithShell(ListFolders->currentItem()->data(kPathRole).toString());
}

void OrphanedAttachmentsDialog::resultDoubleClicked() {
    if (ListFiles->topLevelItemCount() == 0 || !ListFiles->currentItem()) return;
    const QString path = ListFiles->currentItem()->text(1);
    if (!FileExists(path.toStdString())) return;
    if (main_.prompter().question(this, QStringLiteral("Execute '") + path + QStringLiteral("' ?"), QString::fromUtf8(msg::kTitle)))
        openWithShell(path);
}

}  // namespace ledgerly::ui
