#pragma once
// The script runner: the Tcl and Perl scripts of the data folder's Scripts
// folder, run on the selected mailbox after fresh backups of its pair.
#include <QDialog>
#include <QPointer>
#include <string>

#include "body/ScriptRunner.h"
#include "ui/ScriptOutputWindow.h"

class QListWidget;

namespace ledgerly::ui {

class MainWindowApi;

class RunScriptDialog : public QDialog {
    Q_OBJECT
public:
    RunScriptDialog(MainWindowApi& main, std::string mailboxKey, const QString& nodeText);

    // Backs up the pair (off the UI thread) and then starts the selected
    // script, its output shown in a window; false when nothing started.
    bool RunSelected();
    void EditSelected();        // in the user's editor
    void ShowProperties();      // name, size, dates, permissions
    const ScriptLaunch& LastLaunch() const { return last_; }

    // The window of the script started last.
    ScriptOutputWindow* LastOutput() const { return output_; }

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;
    void done(int result) override;  // not while the backup is being made

private:
    void PlaceBesideMainWindow();

    MainWindowApi& main_;
    std::string key_;
    QListWidget* list_ = nullptr;
    ScriptLaunch last_;
    bool backingUp_ = false;
    QPointer<ScriptOutputWindow> output_;
};

}  // namespace ledgerly::ui
