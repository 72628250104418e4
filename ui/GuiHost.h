#pragma once
// The desktop program's answer to a tool on the UI thread: the main window's
// status bar and the Prompter's boxes. Tools started from the window run on a
// worker thread (ui/ToolRunner.h), whose host brings their calls here.
#include "app/Host.h"

namespace ledgerly::ui {

class MainWindowApi;

class GuiHost : public Host {
public:
    explicit GuiHost(MainWindowApi& main) : main_(main) {}
    void Status(std::string_view text) override;
    void Inform(std::string_view text, std::string_view title, BoxIcon icon) override;
    bool Ask(std::string_view question, std::string_view title) override;
    void Wait(int milliseconds) override;
    bool EudoraRunning() override;
    // No progress window on the UI thread: a search then counts in the status bar.
    void OpenProgress() override;
    void UpdateProgress() override {}
    void CloseProgress() override;

private:
    MainWindowApi& main_;
};

// Lets the window handle what is waiting (paint, clicks) and returns: the
// length of a pause is no longer made to pass.
void WaitKeepingUiLive(int milliseconds);

}  // namespace ledgerly::ui
