#include "ui/SummaryList.h"

#include <QDialog>
#include <QFontDatabase>
#include <QHeaderView>
#include <QLocale>
#include <QPlainTextEdit>
#include <QSortFilterProxyModel>
#include <QVBoxLayout>
#include <cstring>

#include "app/Encoding.h"
#include "app/CommandChecks.h"
#include "app/FileHelpers.h"
#include "store/Mailbox.h"
#include "store/Toc.h"
#include "ui/Placement.h"

namespace ledgerly::ui {
namespace {

QString Field(std::span<const char> field) {
    std::string text = FieldText(field);
    text = text.substr(0, text.find('\0'));
    while (!text.empty() && text.back() == ' ') text.pop_back();
    return QString::fromStdString(Cp1252ToUtf8(text));
}

std::uint32_t ArrivalTime(const MessageSummary& s) {
    std::uint32_t t = 0;
    for (int i = 3; i >= 0; --i) t = (t << 8) | static_cast<unsigned char>(s.Reserved8[static_cast<std::size_t>(i)]);
    return t;
}

}  // namespace

std::vector<SummaryRow> ReadSummaryRows(const std::string& tocPath, QString* error) {
    std::vector<SummaryRow> rows;
    auto toc = TocImage::Load(tocPath);
    if (!toc) {
        if (error) *error = QString::fromStdString(toc.error());
        return rows;
    }
    const std::int32_t count = toc->UsableCount();
    rows.reserve(static_cast<std::size_t>(std::max(count, 0)));
    for (std::int32_t k = 1; k <= count; ++k) {
        const MessageSummary s = toc->ReadSummary(k);
        rows.push_back(SummaryRow{k, s.Status, s.Priority, (s.AttachmentFlags & 0x80) != 0, Field(s.Who), Field(s.Date),
                                  Field(s.Subject), ArrivalTime(s), s.Offset, s.Length});
    }
    return rows;
}

QString StatusName(std::int16_t status) {
    static const char* const kNames[] = {"Unread", "Read",   "Replied", "Forwarded",   "Redirected", "Unsendable", "Sendable",
                                         "Queued", "Sent",   "Unsent",  "Time queued", "Spooled",    "Recovered"};
    if (status >= StatusValue(MessageState::Unread) && status <= StatusValue(MessageState::Recovered))
        return QString::fromLatin1(kNames[status]);
    return QString::number(status);
}

QString PriorityName(std::int16_t priority) {
    switch (priority) {
        case 1: return QStringLiteral("Highest");
        case 2: return QStringLiteral("High");
        case 4: return QStringLiteral("Low");
        case 5: return QStringLiteral("Lowest");
        default: return {};
    }
}

QString SizeText(std::int32_t length) { return QLocale(QLocale::English).toString((std::max(length, 0) + 1023) / 1024) + QStringLiteral(" K"); }

void SummaryModel::setRows(std::vector<SummaryRow> rows) {
    beginResetModel();
    rows_ = std::move(rows);
    endResetModel();
}

int SummaryModel::rowCount(const QModelIndex& parent) const { return parent.isValid() ? 0 : static_cast<int>(rows_.size()); }
int SummaryModel::columnCount(const QModelIndex& parent) const { return parent.isValid() ? 0 : ColumnCount; }

QVariant SummaryModel::data(const QModelIndex& index, int role) const {
    if (!index.isValid()) return {};
    const SummaryRow& r = row(index.row());
    if (role == Qt::DisplayRole || role == Qt::ToolTipRole) {
        switch (index.column()) {
            case Status: return StatusName(r.status);
            case Priority: return PriorityName(r.priority);
            case Attachment: return r.attachment ? QStringLiteral("A") : QString();
            case Who: return r.who;
            case Date: return r.date;
            case Size: return SizeText(r.length);
            case Subject: return r.subject;
            default: return {};
        }
    }
    if (role == kSortRole) {
        switch (index.column()) {
            case Status: return r.status;
            case Priority: return r.priority == 0 ? 3 : r.priority;  // unset sorts as normal
            case Attachment: return r.attachment;
            case Who: return r.who.toCaseFolded();
            case Date: return r.arrival != 0 ? QVariant(static_cast<qulonglong>(r.arrival)) : QVariant(r.date);
            case Size: return r.length;
            case Subject: return r.subject.toCaseFolded();
            default: return {};
        }
    }
    if (role == Qt::TextAlignmentRole && index.column() == Size) return QVariant(Qt::AlignRight | Qt::AlignVCenter);
    return {};
}

QVariant SummaryModel::headerData(int section, Qt::Orientation orientation, int role) const {
    if (orientation != Qt::Horizontal || role != Qt::DisplayRole) return {};
    static const char* const kHeaders[] = {"Status", "Priority", "Attachment", "Who", "Date", "Size", "Subject"};
    return section >= 0 && section < ColumnCount ? QString::fromLatin1(kHeaders[section]) : QVariant();
}

SummaryList::SummaryList(QWidget* parent) : QTreeView(parent), model_(new SummaryModel(this)), sorted_(new QSortFilterProxyModel(this)) {
    setObjectName(QStringLiteral("SummaryList"));
    sorted_->setSourceModel(model_);
    sorted_->setSortRole(SummaryModel::kSortRole);
    setModel(sorted_);
    setRootIsDecorated(false);
    setUniformRowHeights(true);
    setAllColumnsShowFocus(true);
    setSortingEnabled(true);
    sortByColumn(-1, Qt::AscendingOrder);  // the TOC's order until a header is clicked
    setSelectionMode(QAbstractItemView::ExtendedSelection);
    setEditTriggers(QAbstractItemView::NoEditTriggers);
    header()->setStretchLastSection(true);
    const QFontMetrics fm(font());
    const int em = fm.horizontalAdvance(QLatin1Char('M'));
    const int widths[] = {fm.horizontalAdvance(QStringLiteral("Time queued")) + em, fm.horizontalAdvance(QStringLiteral("Priority")) + 2 * em,
                          fm.horizontalAdvance(QStringLiteral("Attachment")) + em, 14 * em, 10 * em,
                          fm.horizontalAdvance(QStringLiteral("99,999 K")) + 2 * em};
    for (int c = 0; c < 6; ++c) setColumnWidth(c, widths[c]);
    FitColumnsToHeaders(*this);
    connect(this, &QTreeView::activated, this, [this](const QModelIndex& index) { openMessage(index.row()); });
}

void SummaryList::showMailbox(const std::string& mbxPath) {
    mbxPath_ = IsMailboxKey(mbxPath) ? mbxPath : std::string();
    reload();
}

void SummaryList::reload() {
    model_->setRows(mbxPath_.empty() ? std::vector<SummaryRow>() : ReadSummaryRows(TocPathOf(mbxPath_)));
}

int SummaryList::count() const { return model_->rowCount(); }

const SummaryRow* SummaryList::rowAt(int viewRow) const {
    const QModelIndex source = sorted_->mapToSource(sorted_->index(viewRow, 0));
    return source.isValid() ? &model_->row(source.row()) : nullptr;
}

QString MessageText(const std::string& mbxPath, const SummaryRow& row, QString* error) {
    auto reader = MailboxReader::Open(mbxPath);
    if (!reader) {
        if (error) *error = QString::fromStdString(reader.error());
        return {};
    }
    MessageSummary s;
    s.Offset = row.offset;
    s.Length = row.length;
    return QString::fromStdString(Cp1252ToUtf8(reader->Fetch(s)));
}

QWidget* SummaryList::openMessage(int viewRow) {
    const SummaryRow* row = rowAt(viewRow);
    if (!row) return nullptr;
    QString error;
    const QString text = MessageText(mbxPath_, *row, &error);
    auto* window = new QDialog(this, Qt::Window);
    window->setObjectName(QStringLiteral("MessageWindow"));
    window->setAttribute(Qt::WA_DeleteOnClose);
    window->setWindowTitle(row->subject.isEmpty() ? QStringLiteral("Message %1").arg(row->number) : row->subject);
    auto* view = new QPlainTextEdit(window);
    view->setObjectName(QStringLiteral("messageT"));
    view->setReadOnly(true);
    view->setLineWrapMode(QPlainTextEdit::WidgetWidth);
    view->setFont(QFontDatabase::systemFont(QFontDatabase::FixedFont));
    view->setPlainText(error.isEmpty() ? QString(text).replace(QStringLiteral("\r\n"), QStringLiteral("\n")) : error);
    auto* layout = new QVBoxLayout(window);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->addWidget(view);
    const QFontMetrics fm(view->font());
    window->resize(fm.horizontalAdvance(QLatin1Char('x')) * 84, fm.lineSpacing() * 30);
    window->show();
    return window;
}

}  // namespace ledgerly::ui
