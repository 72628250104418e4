#pragma once
// The Host of the attachment windows: the window's own status bar, questions
// and boxes through the main window's Prompter over the window, pauses that
// keep the window live.
#include <QApplication>
#include <QPushButton>
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

// A push button of the attachment windows: named, never the default button.
inline QPushButton* Button(const char* name, const char* text, QWidget* parent) {
    auto* b = new QPushButton(QString::fromUtf8(text), parent);
    b->setObjectName(QString::fromLatin1(name));
    b->setAutoDefault(false);
    return b;
}

// The hourglass for the life of the object.
class BusyCursor {
public:
    BusyCursor() { QApplication::setOverrideCursor(Qt::WaitCursor); }
    ~BusyCursor() { QApplication::restoreOverrideCursor(); }
    BusyCursor(const BusyCursor&) = delete;
    BusyCursor& operator=(const BusyCursor&) = delete;
};

}  // namespace ledgerly::ui
