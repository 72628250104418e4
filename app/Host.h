#pragma once
// The one interface through which a tool talks to whoever runs it. The desktop
// program answers with windows, the command line with stderr and --yes, the
// tests with a recording fake. Texts crossing this interface are UTF-8.
#include <cstdint>
#include <string_view>

#include "app/AppState.h"

namespace ledgerly {

enum class BoxIcon { Information, None };

class Host {
public:
    virtual ~Host() = default;

    virtual void Status(std::string_view text) = 0;  // the status-bar text
    virtual void Inform(std::string_view text, std::string_view title, BoxIcon icon = BoxIcon::Information) = 0;
    virtual bool Ask(std::string_view question, std::string_view title) = 0;  // Yes / No
    virtual void Wait(int milliseconds) = 0;  // a pause that keeps the window live; no-op on a terminal
    virtual bool EudoraRunning() = 0;         // a top-level window whose title begins with "Eudora"

    // Progress window protocol: a tool fills state.progress, then calls these.
    virtual void OpenProgress() = 0;    // sets ProgressShown when a window is shown
    virtual void UpdateProgress() = 0;  // ProgressValue / ProgressMax / Info changed
    virtual void CloseProgress() = 0;   // clears ProgressShown

    // A long run's count: `done` of `total` `unit`s ("messages", "files") of
    // the run named `what` ("strip-html"). The window shows it in its
    // progress bar, the terminal as "strip-html: 12,000 / 32,767 messages".
    // The status-bar numbers the tools show go through Status as before.
    virtual void Progress(std::string_view what, std::int64_t done, std::int64_t total, std::string_view unit) {
        (void)what, (void)done, (void)total, (void)unit;
    }
    // Whether the user asked the run to stop (a Stop button, a closed progress
    // window). A tool that changes a pair checks it between messages and, when
    // it is set, leaves the pair as it was. May be called from a worker thread.
    virtual bool StopRequested() { return false; }
};

// What every tool receives: the shared state and the host.
struct ToolContext {
    AppState& state;
    Host& host;
};

}  // namespace ledgerly
