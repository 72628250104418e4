#pragma once
// The desktop program's answer to a tool: the main window's status bar, the
// Prompter's boxes, a pause that keeps the window live, the progress window.
#include <QPointer>

#include "app/Host.h"

namespace ledgerly::ui {

class MainWindowApi;
class ProgressWindow;

class GuiHost : public Host {
public:
    explicit GuiHost(MainWindowApi& main) : main_(main) {}
    void Status(std::string_view text) override;
    void Inform(std::string_view text, std::string_view title, BoxIcon icon) override;
    bool Ask(std::string_view question, std::string_view title) override;
    void Wait(int milliseconds) override;
    bool EudoraRunning() override;
    void OpenProgress() override;
    void UpdateProgress() override;
    void CloseProgress() override;

private:
    MainWindowApi& main_;
    QPointer<ProgressWindow> progress_;  // the open progress window, if any
};

// A pause of the given length during which window messages are still handled.
void WaitKeepingUiLive(int milliseconds);

}  // namespace ledgerly::ui
