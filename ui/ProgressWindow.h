#pragma once
// The small modeless window of a long run (object name progresF): a bar, one
// line of text, the count of what is done, and Stop. The window does no work of
// its own: the run pushes its numbers in; Stop, or closing the window, asks the
// run to stop (the changing tools then leave the pair as it was; the duplicate
// search keeps the flags found so far).
#include <QDialog>
#include <cstdint>

class QLabel;
class QProgressBar;
class QPushButton;

namespace ledgerly::ui {

// The bar's percentage: a value at or past the total counts as total - 1; a
// total of 0 or less shows 0 %.
int ProgressPercent(std::int32_t value, std::int32_t max);

// "12,000 / 32,767 messages", or "12,000 messages" without a total.
QString CountText(std::int64_t done, std::int64_t total, const QString& unit);

class ProgressWindow : public QDialog {
    Q_OBJECT
public:
    explicit ProgressWindow(QWidget* owner);

    // The duplicate search's protocol: the bar from value and max, its running
    // text. A value that reaches the total closes the window.
    void setSearchProgress(std::int32_t value, std::int32_t max, const QString& info);
    // A run's count; the bar follows it. Without a count the bar only moves.
    void setCount(std::int64_t done, std::int64_t total, const QString& unit);
    void setText(const QString& text);
    // The run's status text stands where its count would, until it gives one.
    void setStatusText(const QString& text);
    // Closes the window as the run ends (not a Stop).
    void finish();

    QProgressBar* bar() const { return bar_; }
    int percent() const;
    bool stopAsked() const { return stopAsked_; }

signals:
    void stopRequested();

protected:
    void closeEvent(QCloseEvent* event) override;
    void reject() override;  // Esc closes like the close box

private:
    void askStop();
    QProgressBar* bar_;
    QLabel* info_;
    QLabel* count_;
    QPushButton* stop_;
    bool counting_ = false;
    bool stopAsked_ = false;
    bool finishing_ = false;
};

}  // namespace ledgerly::ui
