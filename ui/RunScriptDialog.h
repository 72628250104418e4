#pragma once
// The script runner: the Tcl and Perl scripts of the data folder's Scripts
// folder, run on the selected mailbox after fresh backups of its pair.
#include <QDialog>
#include <string>

#include "body/ScriptRunner.h"

class QListWidget;

namespace ledgerly::ui {

class MainWindowApi;

class RunScriptDialog : public QDialog {
    Q_OBJECT
public:
    RunScriptDialog(MainWindowApi& main, std::string mailboxKey, const QString& nodeText);

    // Backs up the pair and starts the selected script; false when nothing ran.
    bool RunSelected();
    void EditSelected();        // in the user's editor
    void ShowProperties();      // name, size, dates, permissions
    const ScriptLaunch& LastLaunch() const { return last_; }

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    void PlaceBesideMainWindow();

    MainWindowApi& main_;
    std::string key_;
    QListWidget* list_ = nullptr;
    ScriptLaunch last_;
};

}  // namespace ledgerly::ui
