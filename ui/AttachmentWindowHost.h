#pragma once
// The Host of the attachment windows: the window's own status bar, questions
// and boxes through the main window's Prompter over the window, pauses that
// keep the window live.
#include <QStatusBar>
#include <QWidget>

#include "app/Host.h"

namespace ledgerly::ui {

class MainWindowApi;

class AttachmentWindowHost : public Host {
public:
    AttachmentWindowHost(MainWindowApi& main, QWidget* window, QStatusBar* bar) : main_(main), window_(window), bar_(bar) {}
    void Status(std::string_view text) override;
    void Inform(std::string_view text, std::string_view title, BoxIcon icon) override;
    bool Ask(std::string_view question, std::string_view title) override;
    void Wait(int milliseconds) override;
    bool EudoraRunning() override;
    void OpenProgress() override {}
    void UpdateProgress() override {}
    void CloseProgress() override {}

private:
    MainWindowApi& main_;
    QWidget* window_;
    QStatusBar* bar_;
};

}  // namespace ledgerly::ui
