#pragma once
// Holds a tool's worker thread at a chosen point of its run (the n-th time it
// reaches a host call, or its start) until the test lets it go on: what the
// window does meanwhile, and what a Stop given there does, is then certain.
#include <QCoreApplication>
#include <QDeadlineTimer>
#include <condition_variable>
#include <mutex>
#include <string>

#include "ui/ToolRunner.h"

namespace ledgerly::test {

class HoldRun {
public:
    explicit HoldRun(ui::ToolRunner& runner, std::string call = "start", int nth = 1)
        : runner_(runner), call_(std::move(call)), nth_(nth) {
        runner_.workerHook = [this](std::string_view at) {
            std::unique_lock lock(mutex_);
            if (at != call_ || ++seen_ != nth_) return;
            reached_ = true;
            changed_.notify_all();
            changed_.wait(lock, [this] { return released_; });
        };
    }
    ~HoldRun() {
        release();
        runner_.workerHook = {};
    }
    // True once the worker waits at the point (the UI thread stays live meanwhile).
    bool reached(int timeoutMs = 10000) {
        const QDeadlineTimer deadline(timeoutMs);
        for (;;) {
            {
                const std::lock_guard lock(mutex_);
                if (reached_) return true;
            }
            if (deadline.hasExpired()) return false;
            QCoreApplication::processEvents(QEventLoop::AllEvents, 10);
        }
    }
    void release() {
        const std::lock_guard lock(mutex_);
        released_ = true;
        changed_.notify_all();
    }

private:
    ui::ToolRunner& runner_;
    std::string call_;
    int nth_;
    int seen_ = 0;
    bool reached_ = false, released_ = false;
    std::mutex mutex_;
    std::condition_variable changed_;
};

}  // namespace ledgerly::test
