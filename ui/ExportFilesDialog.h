#pragma once
// The export window: every message of one mailbox to a file of its own in a
// folder the user picks. One window at a time; opening it again re-targets it.
#include <QDialog>
#include <string>

class QCheckBox;
class QComboBox;
class QGroupBox;
class QLabel;
class QLineEdit;
class QListWidget;
class QPushButton;

namespace ledgerly::ui {

class MainWindowApi;

class ExportFilesDialog : public QDialog {
    Q_OBJECT
public:
    // The open window of `main` re-targeted at the mailbox, or a new one; shown modeless.
    static ExportFilesDialog* Open(MainWindowApi& main, const std::string& mbxPath);
    // The window of `main` that is open, or nullptr.
    static ExportFilesDialog* Current(MainWindowApi& main);

    explicit ExportFilesDialog(MainWindowApi& main);
    void SetMailbox(const std::string& mbxPath);

    const std::string& mailboxPath() const { return mbxPath_; }
    const std::string& tocPath() const { return tocPath_; }
    const std::string& exportFolder() const { return exportFolder_; }

protected:
    void closeEvent(QCloseEvent* event) override;

private:
    void ShowFolder(const QString& folder);
    void Browse();
    void Proceed();
    void ExtensionChanged(const QString& text);

    MainWindowApi& main_;
    bool exporting_ = false;  // the export pauses with the window live: no second run, no closing
    std::string mbxPath_, tocPath_, exportFolder_;

    QGroupBox* ExportFrame_;
    QLineEdit* folderT_;
    QPushButton* browseD_;
    QListWidget* fileList_;
    QCheckBox* htmlC_;
    QLabel* headersL_;
    QComboBox* headersC_;
    QLabel* extensionL_;
    QComboBox* extensionC_;
    QPushButton* proceedD_;
    QPushButton* abortD_;
};

}  // namespace ledgerly::ui
