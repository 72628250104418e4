#pragma once
// ProgressWindow: the small modeless window of a long search. The search writes the
// numbers into the shared progress state and polls StopSearch; the window's
// timer turns the numbers into the bar and closes the window once the value
// reaches the total. Closing it by hand does not stop the search.
#include <QDialog>
#include <cstdint>

#include "app/AppState.h"

class QLabel;
class QPushButton;
class QTimer;

namespace ledgerly::ui {

// The bar's percentage: a value at or past the total counts as total - 1; a
// total of 0 or less shows 0 %.
int ProgressPercent(std::int32_t value, std::int32_t max);

// ProgressBarP: a filled bar p % of the width with "p%" in the middle.
class ProgressBar : public QWidget {
    Q_OBJECT
public:
    explicit ProgressBar(QWidget* parent = nullptr);
    void setProgress(std::int32_t value, std::int32_t max);
    int percent() const { return percent_; }
    QSize sizeHint() const override { return {260, 22}; }

protected:
    void paintEvent(QPaintEvent* event) override;

private:
    int percent_ = 0;
};

class ProgressWindow : public QDialog {
    Q_OBJECT
public:
    ProgressWindow(AppState& state, QWidget* owner);
    // Shows the search's running text (state.progress.Info).
    void refreshInfo();
    void stopTimer();
    ProgressBar* bar() const { return bar_; }

protected:
    void closeEvent(QCloseEvent* event) override;
    void reject() override;  // Esc closes like the close box

private:
    void tick();
    AppState& state_;
    ProgressBar* bar_;
    QLabel* info_;
    QPushButton* stop_;
    QTimer* timer_;
};

}  // namespace ledgerly::ui
