#include "ui/ToolRunner.h"

#include <QCoreApplication>
#include <QEventLoop>
#include <QTimer>
#include <QWidget>
#include <atomic>
#include <chrono>
#include <condition_variable>
#include <mutex>
#include <new>
#include <optional>
#include <thread>

#include "app/Messages.h"
#include "ui/ProgressWindow.h"

namespace ledgerly::ui {
namespace {

QString Q(std::string_view utf8) { return QString::fromUtf8(utf8.data(), static_cast<qsizetype>(utf8.size())); }

// Thrown through an Abandon tool from its next host call after Stop.
struct RunAbandoned {};

}  // namespace

// What the worker and the UI thread share during one run. Everything the UI
// thread reads or writes while the worker runs is an atomic or sits behind
// `mutex`.
struct ToolRunner::Run {
    ToolJob job;
    AppState state;  // the tool's copy
    std::thread thread;
    std::atomic<bool> stop{false};
    std::atomic<bool> windowGone{false};  // a progress window was shown and has closed
    ToolRunEnd end;                        // written by the worker before it posts its end
    int serial = 0;
    std::function<void(std::string_view)> hook;

    std::mutex mutex;
    std::condition_variable answered;
    bool cancelled = false;  // the runner is going away: questions get their fallback
    std::string latestStatus;
    bool statusPosted = false;
    ProgressState latestSearch;
    bool searchPosted = false;
    struct Count {
        std::int64_t done = 0, total = 0;
        std::string unit;
    } latestCount;
    bool countPosted = false;
    // A status, a count or a search's progress goes to the window at most
    // once per interval: more would cost the tool time and show nothing more.
    std::chrono::steady_clock::time_point nextStatus, nextCount, nextSearch;
};

// The Host the tool sees on the worker thread.
class ToolRunner::WorkerHost : public Host {
public:
    WorkerHost(ToolRunner& runner, Run& run) : runner_(runner), run_(run) {}

    void Status(std::string_view text) override {
        Hook("Status");
        CheckAbandoned();
        {
            const std::lock_guard lock(run_.mutex);
            run_.latestStatus.assign(text);
            if (run_.statusPosted || !Due(run_.nextStatus)) return;  // the run's end shows a last one left here
            run_.statusPosted = true;
        }
        Post([](ToolRunner& r, Run& run) {
            std::string latest;
            {
                const std::lock_guard lock(run.mutex);
                latest = std::move(run.latestStatus);
                run.latestStatus.clear();
                run.statusPosted = false;
            }
            r.hostOf(run).Status(latest);
            if (r.window_) r.window_->setStatusText(Q(latest));
        });
    }
    void Inform(std::string_view text, std::string_view title, BoxIcon icon) override {
        OnUi<bool>([t = std::string(text), ti = std::string(title), icon](ToolRunner& r, Run& run) {
            r.hostOf(run).Inform(t, ti, icon);
            return true;
        }, true);
    }
    bool Ask(std::string_view question, std::string_view title) override {
        return OnUi<bool>([q = std::string(question), t = std::string(title)](ToolRunner& r, Run& run) { return r.hostOf(run).Ask(q, t); },
                          false);
    }
    // The window lives on its own thread: a pause is only where Stop is seen.
    void Wait(int) override {
        Hook("Wait");
        CheckAbandoned();
        SyncSearchFlags();
    }
    // When the answer cannot come (the window is going away), Eudora counts as
    // running, so that a tool that asks changes nothing.
    bool EudoraRunning() override {
        return OnUi<bool>([](ToolRunner& r, Run& run) { return r.hostOf(run).EudoraRunning(); }, true);
    }

    void OpenProgress() override {
        SyncSearchFlags();
        const ProgressState snapshot = run_.state.progress;
        Post([snapshot](ToolRunner& r, Run& run) {
            // A window the user has closed stays closed.
            if (!run.stop.load() && !run.windowGone.load()) r.showWindow();
            if (r.window_) r.window_->setSearchProgress(snapshot.ProgressValue, snapshot.ProgressMax, Q(snapshot.Info));
        });
    }
    void UpdateProgress() override {
        Hook("UpdateProgress");
        CheckAbandoned();
        SyncSearchFlags();
        {
            const std::lock_guard lock(run_.mutex);
            run_.latestSearch = run_.state.progress;
            if (run_.searchPosted || !Due(run_.nextSearch)) return;
            run_.searchPosted = true;
        }
        Post([](ToolRunner& r, Run& run) {
            ProgressState s;
            {
                const std::lock_guard lock(run.mutex);
                s = run.latestSearch;
                run.searchPosted = false;
            }
            if (r.window_) r.window_->setSearchProgress(s.ProgressValue, s.ProgressMax, Q(s.Info));
        });
    }
    void CloseProgress() override {
        run_.state.progress.ProgressShown = false;
        Post([](ToolRunner& r, Run&) {
            if (r.window_) r.window_->finish();
        });
    }
    void Progress(std::string_view, std::int64_t done, std::int64_t total, std::string_view unit) override {
        Hook("Progress");
        CheckAbandoned();
        {
            const std::lock_guard lock(run_.mutex);
            run_.latestCount = {done, total, std::string(unit)};
            if (run_.countPosted || !Due(run_.nextCount)) return;
            run_.countPosted = true;
        }
        Post([](ToolRunner& r, Run& run) {
            Run::Count c;
            {
                const std::lock_guard lock(run.mutex);
                c = run.latestCount;
                run.countPosted = false;
            }
            if (r.window_) r.window_->setCount(c.done, c.total, Q(c.unit));
        });
    }
    bool StopRequested() override { return run_.stop.load(); }

private:
    // True when `next` has passed; it then moves one interval on.
    static bool Due(std::chrono::steady_clock::time_point& next) {
        constexpr std::chrono::milliseconds kInterval{40};
        const auto now = std::chrono::steady_clock::now();
        if (now < next) return false;
        next = now + kInterval;
        return true;
    }
    void Hook(std::string_view call) {
        if (run_.hook) run_.hook(call);
    }
    void CheckAbandoned() {
        if (run_.job.stop == StopMode::Abandon && run_.stop.load()) throw RunAbandoned{};
    }
    // The duplicate search reads its two flags from the state: the window's
    // Stop (or its closing) and a window that is gone reach it here.
    void SyncSearchFlags() {
        ProgressState& p = run_.state.progress;
        if (run_.stop.load()) p.StopSearch = true;
        if (run_.windowGone.load()) p.ProgressShown = false;
    }
    // Runs `f` on the UI thread, later; dropped when the runner is gone.
    template <class F>
    void Post(F f) {
        Run* run = &run_;
        QMetaObject::invokeMethod(&runner_, [r = &runner_, run, f] { f(*r, *run); }, Qt::QueuedConnection);
    }
    // Runs `f` on the UI thread and waits for its answer.
    template <class R, class F>
    R OnUi(F f, R fallback) {
        auto answer = std::make_shared<std::optional<R>>();
        Run* run = &run_;
        QMetaObject::invokeMethod(
            &runner_,
            [r = &runner_, run, answer, f] {
                R value = f(*r, *run);
                const std::lock_guard lock(run->mutex);
                *answer = value;
                run->answered.notify_all();
            },
            Qt::QueuedConnection);
        std::unique_lock lock(run_.mutex);
        run_.answered.wait(lock, [&] { return answer->has_value() || run_.cancelled; });
        return answer->has_value() ? **answer : fallback;
    }

    ToolRunner& runner_;
    Run& run_;
};

ToolRunner::ToolRunner(AppState& state, Host& uiHost, QWidget* owner) : QObject(owner), state_(state), uiHost_(uiHost), owner_(owner) {}

ToolRunner::~ToolRunner() {
    if (!run_) return;
    run_->stop = true;
    {
        const std::lock_guard lock(run_->mutex);
        run_->cancelled = true;
    }
    run_->answered.notify_all();
    if (run_->thread.joinable()) run_->thread.join();
}

bool ToolRunner::start(ToolJob job) {
    if (run_) return false;
    static int serial = 0;
    run_ = std::make_unique<Run>();
    run_->job = std::move(job);
    run_->state = state_;
    run_->serial = ++serial;
    emit runStarted();

    Run* run = run_.get();
    auto host = std::make_shared<WorkerHost>(*this, *run);
    run->hook = workerHook;
    run->thread = std::thread([this, run, host] {
        ToolContext context{run->state, *host};
        if (run->hook) run->hook("start");
        try {
            // A run stopped before its tool began does nothing at all.
            if (!run->stop.load()) run->job.work(context);
            else run->end.notStarted = true;
        } catch (const RunAbandoned&) {
            run->end.abandoned = true;
        } catch (const std::bad_alloc&) {
            run->end.outOfMemory = true;
        }
        QMetaObject::invokeMethod(this, [this] { workerDone(); }, Qt::QueuedConnection);
    });

    const int delay = run->job.progressDelayMs;
    if (delay >= 0) {
        QTimer::singleShot(delay, this, [this, wanted = run->serial] {
            if (run_ && run_->serial == wanted) showWindow();
        });
    }
    return true;
}

Host& ToolRunner::hostOf(Run& run) { return run.job.uiHost ? *run.job.uiHost : uiHost_; }

void ToolRunner::showWindow() {
    if (!run_ || window_) return;
    auto* w = new ProgressWindow(run_->job.owner ? run_->job.owner : owner_);
    if (!run_->job.title.isEmpty()) {
        w->setWindowTitle(QStringLiteral("Progress - ") + run_->job.title);
        w->setText(run_->job.title);
    }
    connect(w, &ProgressWindow::stopRequested, this, &ToolRunner::requestStop);
    connect(w, &QObject::destroyed, this, [this, wanted = run_->serial] {
        if (run_ && run_->serial == wanted) run_->windowGone = true;
    });
    window_ = w;
    w->show();
}

void ToolRunner::requestStop() {
    if (run_) run_->stop = true;
}

void ToolRunner::workerDone() {
    if (!run_) return;
    run_->thread.join();
    std::unique_ptr<Run> run = std::move(run_);
    // The tool's last status, when it came too soon after the one before.
    if (!run->latestStatus.empty()) hostOf(*run).Status(run->latestStatus);
    if (window_) window_->finish();
    window_ = nullptr;
    state_.TocBackupPath = run->state.TocBackupPath;
    state_.MbxBackupPath = run->state.MbxBackupPath;
    state_.progress.ProgressShown = false;
    ToolRunEnd end = run->end;
    end.stopped = run->stop.load();
    if (end.outOfMemory) uiHost_.Inform(msg::kOutOfMemory, msg::kTitle, BoxIcon::Information);
    if (run->job.finish) run->job.finish(end);
    emit runFinished();
}

bool ToolRunner::waitUntilIdle(int timeoutMs) {
    if (!run_) return true;
    QEventLoop loop;
    connect(this, &ToolRunner::runFinished, &loop, &QEventLoop::quit);
    if (timeoutMs >= 0) QTimer::singleShot(timeoutMs, &loop, &QEventLoop::quit);
    loop.exec();
    return !run_;
}

}  // namespace ledgerly::ui
