#pragma once
// The selected mailbox's summaries beside the tree, as Eudora's mailbox window
// lists them (status, priority, attachment, who, date, size, subject), read
// from the TOC file and never written. Any column sorts; a double click shows
// the message's text, read-only.
#include <QAbstractTableModel>
#include <QTreeView>
#include <cstdint>
#include <string>
#include <vector>

class QSortFilterProxyModel;

namespace ledgerly::ui {

struct SummaryRow {
    std::int32_t number = 0;  // 1-based, the summary's place in the TOC file
    std::int16_t status = 0;
    std::int16_t priority = 0;
    bool attachment = false;
    QString who, date, subject;
    std::uint32_t arrival = 0;  // seconds, the date's sort order when recorded
    std::int32_t offset = 0, length = 0;
};

// The summaries of the TOC file `tocPath`; `error` says why none could be read.
std::vector<SummaryRow> ReadSummaryRows(const std::string& tocPath, QString* error = nullptr);
QString StatusName(std::int16_t status);      // "Read", "Replied", ... or the number
QString PriorityName(std::int16_t priority);  // "Highest" ... "Lowest"; empty for normal
QString SizeText(std::int32_t length);        // "12 K", as the mailbox window shows it

class SummaryModel : public QAbstractTableModel {
    Q_OBJECT
public:
    enum Column { Status, Priority, Attachment, Who, Date, Size, Subject, ColumnCount };
    static constexpr int kSortRole = Qt::UserRole;

    using QAbstractTableModel::QAbstractTableModel;
    void setRows(std::vector<SummaryRow> rows);
    const SummaryRow& row(int index) const { return rows_[static_cast<std::size_t>(index)]; }
    int rowCount(const QModelIndex& parent = {}) const override;
    int columnCount(const QModelIndex& parent = {}) const override;
    QVariant data(const QModelIndex& index, int role) const override;
    QVariant headerData(int section, Qt::Orientation orientation, int role) const override;

private:
    std::vector<SummaryRow> rows_;
};

class SummaryList : public QTreeView {
    Q_OBJECT
public:
    explicit SummaryList(QWidget* parent = nullptr);
    // Lists the mailbox whose file is `mbxPath`; an empty path (a folder) clears the list.
    void showMailbox(const std::string& mbxPath);
    void reload();  // the same mailbox, as its TOC file is now
    const std::string& mailbox() const { return mbxPath_; }
    int count() const;
    // The summary shown in the given row of the view, as sorted.
    const SummaryRow* rowAt(int viewRow) const;
    // Opens the message of a view row in a read-only window.
    QWidget* openMessage(int viewRow);

private:
    SummaryModel* model_;
    QSortFilterProxyModel* sorted_;
    std::string mbxPath_;
};

// The text of one message as the mailbox file holds it (Windows-1252 shown as
// text); empty with `error` set when it cannot be read.
QString MessageText(const std::string& mbxPath, const SummaryRow& row, QString* error = nullptr);

}  // namespace ledgerly::ui
