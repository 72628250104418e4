#include "ui/ProgressWindow.h"

#include <QCloseEvent>
#include <algorithm>
#include <QHBoxLayout>
#include <QLabel>
#include <QPainter>
#include <QPushButton>
#include <QTimer>
#include <QVBoxLayout>

namespace ledgerly::ui {

int ProgressPercent(std::int32_t value, std::int32_t max) {
    if (max <= 0) return 0;
    std::int64_t v = value;
    if (v >= max) v = static_cast<std::int64_t>(max) - 1;
    const std::int64_t p = 100 - (static_cast<std::int64_t>(max) - v) * 100 / max;
    return static_cast<int>(std::clamp<std::int64_t>(p, 0, 100));
}

ProgressBar::ProgressBar(QWidget* parent) : QWidget(parent) {
    setObjectName(QStringLiteral("ProgressBarP"));
    setMinimumHeight(20);
    setProperty("tag", 0);
}

void ProgressBar::setProgress(std::int32_t value, std::int32_t max) {
    const int p = ProgressPercent(value, max);
    if (p == percent_) return;
    percent_ = p;
    setProperty("tag", p);
    update();
}

void ProgressBar::paintEvent(QPaintEvent*) {
    QPainter painter(this);
    const QRect frame = rect().adjusted(0, 0, -1, -1);
    painter.fillRect(frame, palette().base());
    QRect filled = frame;
    filled.setWidth(frame.width() * percent_ / 100);
    painter.fillRect(filled, palette().highlight());
    painter.setPen(palette().color(QPalette::WindowText));
    painter.drawRect(frame);
    painter.drawText(frame, Qt::AlignCenter, QString::number(percent_) + QLatin1Char('%'));
}

ProgressWindow::ProgressWindow(AppState& state, QWidget* owner)
    : QDialog(owner), state_(state), bar_(new ProgressBar(this)), info_(new QLabel(this)), stop_(new QPushButton(this)),
      timer_(new QTimer(this)) {
    setObjectName(QStringLiteral("progresF"));
    setAttribute(Qt::WA_DeleteOnClose);
    setModal(false);
    setWindowTitle(QStringLiteral("Progress"));
    info_->setObjectName(QStringLiteral("informacijeL"));
    info_->setText(QStringLiteral("Search in progress..."));
    stop_->setObjectName(QStringLiteral("stopD"));
    stop_->setText(QStringLiteral("&Stop"));
    stop_->setToolTip(QStringLiteral(" Press Stop button to stop the search. "));
    timer_->setObjectName(QStringLiteral("Timer"));

    auto* layout = new QVBoxLayout(this);
    layout->addWidget(bar_);
    auto* row = new QHBoxLayout;
    row->addWidget(info_, 1);
    row->addWidget(stop_);
    layout->addLayout(row);

    // Loading: a fresh stop flag and a running timer.
    state_.progress.StopSearch = false;
    connect(stop_, &QPushButton::clicked, this, [this] { state_.progress.StopSearch = true; });
    connect(timer_, &QTimer::timeout, this, &ProgressWindow::tick);
    timer_->start(5);
}

void ProgressWindow::refreshInfo() { info_->setText(QString::fromUtf8(state_.progress.Info.c_str())); }

void ProgressWindow::stopTimer() { timer_->stop(); }

void ProgressWindow::tick() {
    const ProgressState& pr = state_.progress;
    if (pr.ProgressValue == pr.ProgressMax) {
        timer_->stop();
        close();
        return;
    }
    bar_->setProgress(pr.ProgressValue, pr.ProgressMax);
}

void ProgressWindow::closeEvent(QCloseEvent* event) {
    timer_->stop();
    state_.progress.ProgressShown = false;
    event->accept();  // closes whatever the dialog would do with it
}

void ProgressWindow::reject() { close(); }

}  // namespace ledgerly::ui
