#pragma once
// The mail export window: the whole mail folder tree or the selected mailbox
// written as mbox, Maildir or EML into a folder the user picks. The export
// runs on a worker thread, so the window shows its progress and takes Stop;
// at the end it shows the report the export wrote beside the mail.
#include <QDialog>
#include <QPointer>
#include <atomic>
#include <memory>
#include <string>

class QComboBox;
class QLabel;
class QLineEdit;
class QPlainTextEdit;
class QProgressBar;
class QPushButton;
class QRadioButton;

namespace ledgerly::ui {

class MainWindowApi;

class ExportMailDialog : public QDialog {
    Q_OBJECT
public:
    // The open window of `main`, or a new one for the selected mailbox; shown window-modal.
    static ExportMailDialog* Open(MainWindowApi& main);
    static ExportMailDialog* Current(MainWindowApi& main);

    explicit ExportMailDialog(MainWindowApi& main);
    ~ExportMailDialog() override;

    bool running() const { return running_; }
    // The last run's report, as the export wrote it (UTF-8); empty before one.
    QString reportText() const;

protected:
    void closeEvent(QCloseEvent* event) override;

private:
    struct Run;
    void Browse();
    void Proceed();
    void Stop();
    void ShowProgress(qint64 done, qint64 total);
    void Finished();
    void UpdateButtons();

    MainWindowApi& main_;
    std::string mailbox_;  // the selected mailbox, empty when a folder is selected
    std::shared_ptr<Run> run_;
    bool running_ = false;  // an export of this window is on the runner
    bool closeWhenDone_ = false;

    QComboBox* formatC_;
    QLineEdit* folderT_;
    QPushButton* browseD_;
    QRadioButton* wholeTreeO_;
    QRadioButton* mailboxO_;
    QProgressBar* ProgressBarP_;
    QLabel* statusL_;
    QPlainTextEdit* reportT_;
    QPushButton* proceedD_;
    QPushButton* stopD_;
    QPushButton* closeD_;
};

}  // namespace ledgerly::ui
