#include "ui/LinkAttachmentsDialog.h"

#include <QApplication>
#include <QDesktopServices>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QHeaderView>
#include <QLineEdit>
#include <QPainter>
#include <QPushButton>
#include <QStatusBar>
#include <QTreeWidget>
#include <QUrl>
#include <QVBoxLayout>

#include "app/Encoding.h"
#include "app/FileHelpers.h"
#include "app/Messages.h"
#include "app/TextHelpers.h"
#include "attachments/AttachmentFolders.h"
#include "ui/AttachmentWindowHost.h"
#include "ui/MainWindowApi.h"
#include "ui/CommandPattern.h"
#include "ui/Prompter.h"
#include "ui/ToolRunner.h"
#include "ui/Twips.h"
#include "ui/Placement.h"

namespace ledgerly::ui {
namespace {

QString Q(const std::string& s) { return QString::fromStdString(s); }
QString FromMail(const std::string& cp1252) { return QString::fromStdString(Cp1252ToUtf8(cp1252)); }
constexpr int kRowRole = Qt::UserRole;

std::string FolderOf(const std::string& path) {
    const std::size_t cut = path.find_last_of(kPathSeparator);
    return cut == std::string::npos ? std::string() : path.substr(0, cut + 1);
}
constexpr int kStateRole = Qt::UserRole + 1;


// The state pictures: a grey question mark (no decision), a green tick (file
// found there), an orange exclamation mark (no file there), a red cross (removed).
QIcon DrawState(LinkState state) {
    QPixmap pm(16, 16);
    pm.fill(Qt::transparent);
    QPainter p(&pm);
    p.setRenderHint(QPainter::Antialiasing);
    QPen pen;
    pen.setWidthF(2.2);
    pen.setCapStyle(Qt::RoundCap);
    switch (state) {
        case LinkState::Inicijalno:
            p.setBrush(QColor(0xd8, 0xd8, 0xd8));
            p.setPen(QColor(0x80, 0x80, 0x80));
            p.drawEllipse(QRectF(1.5, 1.5, 13, 13));
            p.setPen(QColor(0x40, 0x40, 0x40));
            p.setFont(QFont(QStringLiteral("Sans"), 8, QFont::Bold));
            p.drawText(QRectF(0, 0, 16, 16), Qt::AlignCenter, QStringLiteral("?"));
            break;
        case LinkState::Postoji:
            pen.setColor(QColor(0x1e, 0x9e, 0x3a));
            p.setPen(pen);
            p.drawPolyline(QPolygonF({QPointF(3, 8.5), QPointF(6.5, 12), QPointF(13, 4)}));
            break;
        case LinkState::NePostoji:
            p.setBrush(QColor(0xf0, 0x9a, 0x1a));
            p.setPen(Qt::NoPen);
            p.drawPolygon(QPolygonF({QPointF(8, 1.5), QPointF(15, 14.5), QPointF(1, 14.5)}));
            p.setPen(QPen(Qt::white, 2));
            p.drawLine(QPointF(8, 6), QPointF(8, 10));
            p.drawPoint(QPointF(8, 12.5));
            break;
        case LinkState::ZaBrisanje:
            pen.setColor(QColor(0xd0, 0x20, 0x20));
            p.setPen(pen);
            p.drawLine(QPointF(3.5, 3.5), QPointF(12.5, 12.5));
            p.drawLine(QPointF(12.5, 3.5), QPointF(3.5, 12.5));
            break;
    }
    return QIcon(pm);
}

}  // namespace

const QMap<QString, QIcon>& LinkAttachmentsDialog::statePictures() {
    static const QMap<QString, QIcon> pictures = [] {
        QMap<QString, QIcon> m;
        for (LinkState s : {LinkState::Inicijalno, LinkState::Postoji, LinkState::NePostoji, LinkState::ZaBrisanje})
            m.insert(QString::fromLatin1(LinkStateKey(s)), DrawState(s));
        return m;
    }();
    return pictures;
}

QString LinkAttachmentsDialog::stateKeyOf(const QTreeWidgetItem* item) { return item ? item->data(0, kStateRole).toString() : QString(); }

LinkAttachmentsDialog::LinkAttachmentsDialog(MainWindowApi& main, const std::string& mailboxPath, const QString& mailboxLabel, QWidget* parent)
    : QDialog(parent),
      main_(main),
      mailboxPath_(mailboxPath),
      mailboxLabel_(mailboxLabel),
      mapper_(main.state().paths.DataFolder.empty() ? FolderOf(mailboxPath) : main.state().paths.DataFolder) {
    setObjectName(QStringLiteral("attacherF"));
    FitWhenShown(*this);  // large enough for its texts and columns
    openWithShell = [](const QString& path) { QDesktopServices::openUrl(QUrl::fromLocalFile(path)); };
    auto* layout = new QVBoxLayout(this);

    FrameLocation = new QGroupBox(QStringLiteral("New Location"), this);
    FrameLocation->setObjectName(QStringLiteral("FrameLocation"));
    auto* location = new QVBoxLayout(FrameLocation);
    auto* folderRow = new QHBoxLayout;
    redT = new QLineEdit(FrameLocation);
    redT->setObjectName(QStringLiteral("redT"));
    browseD = Button("browseD", "&Browse", FrameLocation);
    folderRow->addWidget(redT, 1);
    folderRow->addWidget(browseD);
    location->addLayout(folderRow);
    auto* actions = new QHBoxLayout;
    setD = Button("setD", "&Set", FrameLocation);
    removeD = Button("removeD", "R&emove", FrameLocation);
    changeD = Button("changeD", "&Reset", FrameLocation);
    runD = Button("runD", "&Run", FrameLocation);
    for (QPushButton* b : {setD, removeD, changeD, runD}) actions->addWidget(b);
    actions->addStretch();
    location->addLayout(actions);
    layout->addWidget(FrameLocation);

    FrameLinks = new QGroupBox(QStringLiteral(" Broken Attachment-Links "), this);
    FrameLinks->setObjectName(QStringLiteral("FrameLinks"));
    auto* links = new QVBoxLayout(FrameLinks);
    ListLinks = new QTreeWidget(FrameLinks);
    ListLinks->setObjectName(QStringLiteral("ListLinks"));
    ListLinks->setRootIsDecorated(false);
    ListLinks->setSelectionMode(QAbstractItemView::ExtendedSelection);
    links->addWidget(ListLinks, 1);
    layout->addWidget(FrameLinks, 1);

    auto* bottom = new QHBoxLayout;
    updateD = Button("updateD", "&Update", this);
    bottom->addStretch();
    bottom->addWidget(updateD);
    layout->addLayout(bottom);
    StatusBar = new QStatusBar(this);
    StatusBar->setObjectName(QStringLiteral("StatusBar"));
    layout->addWidget(StatusBar);
    host_ = std::make_unique<AttachmentWindowHost>(main_, this, StatusBar);

    // Never smaller than 2820 x 3320 twips.
    setMinimumSize(TwipsToPixelsX(*this, 2820), TwipsToPixelsY(*this, 3320));

    connect(browseD, &QPushButton::clicked, this, [this] { browse(); });
    connect(setD, &QPushButton::clicked, this, [this] { setLocation(); });
    connect(removeD, &QPushButton::clicked, this, [this] { removeLinks(); });
    connect(changeD, &QPushButton::clicked, this, [this] { resetLinks(); });
    connect(runD, &QPushButton::clicked, this, [this] { runFile(); });
    connect(updateD, &QPushButton::clicked, this, [this] { update(); });
}

LinkAttachmentsDialog::~LinkAttachmentsDialog() = default;

bool LinkAttachmentsDialog::load() {
    const AttachmentFolderChoice folder = InitialAttachmentFolder(main_.state(), mapper_);
    attachmentFolder_ = folder.remembered;
    redT->setText(Q(folder.shown));
    updateD->setEnabled(false);
    updateD->setToolTip(QStringLiteral("Update Attachment Links"));
    QString label = mailboxLabel_;
    if (const qsizetype paren = label.indexOf(QLatin1Char('(')); paren >= 0) label = label.left(paren);
    setWindowTitle(QStringLiteral("Repair Broken Attachment-Links >> Mailbox: ") + label);

    ListLinks->setHeaderLabels({QStringLiteral("File Name"), QStringLiteral("From Sender"), QStringLiteral("Original Location"),
                                QStringLiteral("New Location")});
    ListLinks->setColumnWidth(0, TwipsToPixelsX(*this, 1600));
    ListLinks->setColumnWidth(1, TwipsToPixelsX(*this, 1200));
    ListLinks->setColumnWidth(2, TwipsToPixelsX(*this, 1400));
    ListLinks->setColumnWidth(3, TwipsToPixelsX(*this, 1400));
    {
        // The search runs off the UI thread; the window waits for it, live.
        auto found = std::make_shared<Result<std::vector<BrokenLink>>>(Result<std::vector<BrokenLink>>::Fail(""));
        ToolJob job;
        job.title = QStringLiteral("Find Broken Attachment Links");
        job.stop = StopMode::Abandon;
        job.work = [this, found](ToolContext& context) { *found = FindBrokenLinks(mailboxPath_, mapper_, context.host); };
        bool stopped = false;
        job.finish = [&stopped](const ToolRunEnd& end) { stopped = !end.Completed(); };
        if (!main_.runner().start(std::move(job)) || !main_.runner().waitUntilIdle() || stopped) return false;
        if (!*found) {
            main_.prompter().information(this, Q(found->error()), QString::fromUtf8(msg::kTitle), true);
            return false;
        }
        rows_ = std::move(**found);
    }
    for (std::size_t i = 0; i < rows_.size(); ++i) {
        auto* item = new QTreeWidgetItem(ListLinks);
        item->setData(0, kRowRole, static_cast<qulonglong>(i));
        showRow(item);
    }
    // Message order until a column header is clicked.
    ListLinks->header()->setSortIndicator(-1, Qt::AscendingOrder);
    ListLinks->setSortingEnabled(true);

    if (rows_.empty()) {
        setButtonsEnabled(false);
        updateD->setEnabled(false);
        StatusBar->showMessage(QString::fromUtf8(kNoBrokenLinks));
        main_.setStatus(QString::fromUtf8(msg::kReady));
        main_.prompter().information(this, QString::fromUtf8(kNoBrokenLinks), QString::fromUtf8(msg::kTitle), true);
        return false;
    }
    StatusBar->showMessage(Q(BrokenCountText(rows_.size())));
    return true;
}

BrokenLink& LinkAttachmentsDialog::rowOf(QTreeWidgetItem* item) { return rows_.at(item->data(0, kRowRole).toULongLong()); }

void LinkAttachmentsDialog::showRow(QTreeWidgetItem* item) {
    const BrokenLink& row = rowOf(item);
    item->setText(0, FromMail(row.fileName));
    item->setText(1, FromMail(row.sender));
    item->setText(2, FromMail(row.originalLocation));
    item->setText(3, Q(row.newLocation));
    item->setToolTip(2, FromMail(row.originalLocation));
    const QString key = QString::fromLatin1(LinkStateKey(row.state));
    item->setData(0, kStateRole, key);
    item->setIcon(0, statePictures().value(key));
}

std::vector<QTreeWidgetItem*> LinkAttachmentsDialog::selectedItems() const {
    std::vector<QTreeWidgetItem*> items;
    for (int i = 0; i < ListLinks->topLevelItemCount(); ++i)
        if (ListLinks->topLevelItem(i)->isSelected()) items.push_back(ListLinks->topLevelItem(i));
    return items;
}

void LinkAttachmentsDialog::setButtonsEnabled(bool on) {
    for (QPushButton* b : {changeD, removeD, runD, browseD, setD}) b->setEnabled(on);
}

void LinkAttachmentsDialog::browse() {
    QString chosen;
    {
        BusyCursor busy;
        chosen = main_.prompter().chooseFolder(this, QStringLiteral("Select new attachment directory."), redT->text());
    }
    const std::string path = TrimAtNull(chosen.toStdString());
    if (path.size() > 3) {
        attachmentFolder_ = WithTrailingSeparator(path);
        redT->setText(Q(attachmentFolder_));
    }
}

void LinkAttachmentsDialog::setLocation() {
    const std::string typed = redT->text().toStdString();
    const std::string folder = WithTrailingSeparator(LocalFolderOf(typed, mapper_));
    if (typed.empty() || !FolderExists(folder)) {
        main_.prompter().information(this, Q(FolderMissingText(typed)), QString::fromUtf8(msg::kTitle), true);
        return;
    }
    for (QTreeWidgetItem* item : selectedItems()) {
        SetNewLocation(rowOf(item), folder);
        showRow(item);
    }
    updateD->setEnabled(true);
}

void LinkAttachmentsDialog::removeLinks() {
    for (QTreeWidgetItem* item : selectedItems()) {
        MarkForRemoval(rowOf(item));
        showRow(item);
    }
    updateD->setEnabled(true);
}

void LinkAttachmentsDialog::resetLinks() {
    for (QTreeWidgetItem* item : selectedItems()) {
        ResetLink(rowOf(item));
        showRow(item);
    }
}

void LinkAttachmentsDialog::runFile() {
    const auto items = selectedItems();
    if (items.empty()) {
        main_.prompter().information(this, QStringLiteral("Please select at least one item to perform this action."), QString::fromUtf8(msg::kTitle), true);
        return;
    }
    if (items.size() > 1) {
        main_.prompter().information(this, QStringLiteral("Please select only one item to perform this action."), QString::fromUtf8(msg::kTitle), true);
        return;
    }
    const std::string& location = rowOf(items.front()).newLocation;
    if (FileExists(location)) openWithShell(Q(location));
    else main_.prompter().information(this, QStringLiteral("File '") + Q(location) + QStringLiteral("' not found."), QString::fromUtf8(msg::kTitle), true);
}

void LinkAttachmentsDialog::update() {
    if (main_.host().EudoraRunning()) {
        main_.prompter().information(this, QString::fromUtf8(msg::kCloseEudora), QString::fromUtf8(msg::kTitle), true);
        return;
    }
    const MailboxCommand command{"menuUpdateAttachmentLinks", "Update the attachment links", FileChecks::None, false,
                                 Change::BodiesWithBackups};
    if (!ConfirmChange(main_, command.control, ChangeQuestion(command, mailboxPath_))) return;
    // The rows in the list's current order: that is the order they are applied in.
    std::vector<BrokenLink> ordered;
    for (int i = 0; i < ListLinks->topLevelItemCount(); ++i) ordered.push_back(rowOf(ListLinks->topLevelItem(i)));
    setButtonsEnabled(false);
    updateD->setEnabled(false);
    redT->setReadOnly(true);
    auto rewritten = std::make_shared<Result<RewriteReport>>(Result<RewriteReport>::Fail(""));
    ToolJob job;
    job.title = QStringLiteral("Update Attachment Links");
    job.owner = this;
    job.uiHost = host_.get();
    job.work = [this, rewritten, ordered = std::move(ordered)](ToolContext& context) {
        *rewritten = RewriteAttachmentLinks(context, mailboxPath_, ordered, mapper_);
    };
    rewriting_ = main_.runner().start(std::move(job));
    if (rewriting_) main_.runner().waitUntilIdle();
    rewriting_ = false;
    setButtonsEnabled(true);
    updateD->setEnabled(true);
    redT->setReadOnly(false);
    const Result<RewriteReport>& report = *rewritten;
    if (report.error().empty() && !report) return;  // nothing ran (out of memory: already said)
    if (!report) {
        StatusBar->showMessage(Q(report.error()));
        main_.prompter().information(this, Q(report.error()), QString::fromUtf8(msg::kTitle), true);
        return;
    }
    const QString closing = Q(report->Closing());
    StatusBar->showMessage(closing);
    main_.setStatus(closing);
    if (report->uncoveredBytes > 0) main_.prompter().information(this, closing, QString::fromUtf8(msg::kTitle), true);
    accept();
}

void LinkAttachmentsDialog::done(int r) {
    if (rewriting_) return;  // the window waits for its rewrite
    SaveAttachmentFolder(main_.state(), LocalFolderOf(redT->text().toStdString(), mapper_), attachmentFolder_);
    QDialog::done(r);
}

}  // namespace ledgerly::ui
