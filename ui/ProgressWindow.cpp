#include "ui/ProgressWindow.h"

#include <QCloseEvent>
#include <QHBoxLayout>
#include <QLabel>
#include <QLocale>
#include <QProgressBar>
#include <QPushButton>
#include <QVBoxLayout>
#include <algorithm>

#include "ui/Placement.h"

namespace ledgerly::ui {

int ProgressPercent(std::int32_t value, std::int32_t max) {
    if (max <= 0) return 0;
    std::int64_t v = value;
    if (v >= max) v = static_cast<std::int64_t>(max) - 1;
    const std::int64_t p = 100 - (static_cast<std::int64_t>(max) - v) * 100 / max;
    return static_cast<int>(std::clamp<std::int64_t>(p, 0, 100));
}

QString CountText(std::int64_t done, std::int64_t total, const QString& unit) {
    const QLocale english(QLocale::English);
    QString text = english.toString(static_cast<qlonglong>(done));
    if (total > 0) text += QStringLiteral(" / ") + english.toString(static_cast<qlonglong>(total));
    if (!unit.isEmpty()) text += QLatin1Char(' ') + unit;
    return text;
}

ProgressWindow::ProgressWindow(QWidget* owner)
    : QDialog(owner), bar_(new QProgressBar(this)), info_(new QLabel(this)), count_(new QLabel(this)), stop_(new QPushButton(this)) {
    setObjectName(QStringLiteral("progresF"));
    FitWhenShown(*this);  // large enough for its texts and columns
    setAttribute(Qt::WA_DeleteOnClose);
    setModal(false);
    setWindowTitle(QStringLiteral("Progress"));
    bar_->setObjectName(QStringLiteral("ProgressBarP"));
    bar_->setRange(0, 0);  // moving until the run gives numbers
    bar_->setFormat(QStringLiteral("%v%"));
    bar_->setAlignment(Qt::AlignCenter);
    bar_->setProperty("tag", 0);
    info_->setObjectName(QStringLiteral("informacijeL"));
    info_->setText(QStringLiteral("Search in progress..."));
    info_->setTextFormat(Qt::PlainText);
    count_->setObjectName(QStringLiteral("countL"));
    stop_->setObjectName(QStringLiteral("stopD"));
    stop_->setText(QStringLiteral("&Stop"));
    stop_->setToolTip(QStringLiteral(" Press Stop button to stop the search. "));
    stop_->setAutoDefault(false);

    auto* layout = new QVBoxLayout(this);
    layout->addWidget(bar_);
    layout->addWidget(info_);
    auto* row = new QHBoxLayout;
    row->addWidget(count_, 1);
    row->addWidget(stop_);
    layout->addLayout(row);
    bar_->setMinimumWidth(fontMetrics().horizontalAdvance(QLatin1Char('0')) * 36);

    connect(stop_, &QPushButton::clicked, this, &ProgressWindow::askStop);
}

int ProgressWindow::percent() const { return bar_->maximum() > 0 ? bar_->value() : 0; }

void ProgressWindow::setSearchProgress(std::int32_t value, std::int32_t max, const QString& info) {
    if (value == max) {  // the search has reached its total
        finish();
        return;
    }
    const int p = ProgressPercent(value, max);
    bar_->setRange(0, 100);
    bar_->setValue(p);
    bar_->setProperty("tag", p);
    setText(info);
}

void ProgressWindow::setCount(std::int64_t done, std::int64_t total, const QString& unit) {
    counting_ = true;
    count_->setText(CountText(done, total, unit));
    if (total > 0) {
        const auto clamp32 = [](std::int64_t v) { return static_cast<std::int32_t>(std::clamp<std::int64_t>(v, 0, INT32_MAX)); };
        // The whole run counts: reaching the total is not the end of it.
        const int p = ProgressPercent(clamp32(std::min(done, total - 1)), clamp32(total));
        bar_->setRange(0, 100);
        bar_->setValue(p);
        bar_->setProperty("tag", p);
    }
}

void ProgressWindow::setText(const QString& text) { info_->setText(text); }

void ProgressWindow::setStatusText(const QString& text) {
    if (!counting_) count_->setText(text);
}

void ProgressWindow::finish() {
    finishing_ = true;
    close();
}

void ProgressWindow::askStop() {
    if (stopAsked_) return;
    stopAsked_ = true;
    stop_->setEnabled(false);
    info_->setText(QStringLiteral("Stopping..."));
    emit stopRequested();
}

void ProgressWindow::closeEvent(QCloseEvent* event) {
    if (!finishing_) askStop();  // closed by the user: the same as Stop
    event->accept();
}

void ProgressWindow::reject() { close(); }

}  // namespace ledgerly::ui
