#pragma once
// Runs a tool off the user-interface thread, one run at a time. The tool gets
// a Host whose calls reach the window through the UI thread: status texts and
// progress numbers are posted (the latest one wins), questions and boxes wait
// for the user's answer. A pause (`Wait`) costs the tool nothing: the window
// stays live on its own thread. The run works on a copy of the shared state;
// the backup names it leaves are copied back when it ends.
#include <QObject>
#include <QPointer>
#include <QString>
#include <functional>
#include <memory>

#include "app/AppState.h"
#include "app/Host.h"

#include "ui/ProgressWindow.h"

class QWidget;

namespace ledgerly::ui {

// How Stop reaches the tool.
enum class StopMode {
    // The tool asks StopRequested() (or reads StopSearch) and ends on its own,
    // leaving the pair as it was or, for the duplicate search, keeping the
    // flags found so far.
    ToolChecks,
    // A tool that changes no mailbox pair is abandoned at its next status,
    // pause or progress call; what it read is dropped.
    Abandon,
};

struct ToolRunEnd {
    bool stopped = false;      // the user asked to stop (the tool may have ended anyway)
    bool abandoned = false;    // an Abandon run was cut short
    bool outOfMemory = false;  // the tool ran out of memory and was abandoned
    bool notStarted = false;   // stopped before the tool began: it did nothing
    // The tool ran to its own end: what it returned is there to show.
    bool Completed() const { return !abandoned && !outOfMemory && !notStarted; }
};

struct ToolJob {
    QString title;                                  // caption of the progress window
    std::function<void(ToolContext&)> work;         // on the worker thread
    std::function<void(const ToolRunEnd&)> finish;  // on the UI thread, once the work is over
    StopMode stop = StopMode::ToolChecks;
    int progressDelayMs = 400;  // the progress window shows once the run lasts this long
    // The progress window's owner: the modal window that started the run (so
    // that its Stop can be clicked); null: the runner's.
    QWidget* owner = nullptr;
    // Answers the run on the UI thread (a window's own status bar); null: the runner's.
    Host* uiHost = nullptr;
};

class ToolRunner : public QObject {
    Q_OBJECT
public:
    // `uiHost` answers the tool on the UI thread; `owner` owns the progress window.
    ToolRunner(AppState& state, Host& uiHost, QWidget* owner);
    ~ToolRunner() override;  // stops a run that is still going and waits for it

    // False (and nothing starts) while another run is going.
    bool start(ToolJob job);
    bool running() const { return run_ != nullptr; }
    void requestStop();
    ProgressWindow* progressWindow() const { return window_.data(); }
    // Handles events until the run has ended, or for at most `timeoutMs`
    // (negative: as long as it takes). A window that needs the result before
    // it goes on waits here, live.
    bool waitUntilIdle(int timeoutMs = -1);
    // Called on the worker thread with "start" before a run's work, then with
    // the name of each call the tool makes to its host ("Status", "Wait",
    // "UpdateProgress", "Progress"): tests hold a run at a chosen point.
    std::function<void(std::string_view call)> workerHook;

signals:
    void runStarted();
    void runFinished();

private:
    struct Run;
    class WorkerHost;
    void showWindow();
    void workerDone();
    Host& hostOf(Run& run);

    AppState& state_;
    Host& uiHost_;
    QWidget* owner_;
    std::unique_ptr<Run> run_;
    QPointer<ProgressWindow> window_;
};

}  // namespace ledgerly::ui
