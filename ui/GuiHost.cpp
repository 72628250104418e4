#include "ui/GuiHost.h"

#include <QEventLoop>
#include <QTimer>

#include "app/Messages.h"
#include "app/Platform.h"
#include "ui/MainWindowApi.h"
#include "ui/ProgressWindow.h"
#include "ui/Prompter.h"

namespace ledgerly::ui {
namespace {
QString Q(std::string_view utf8) { return QString::fromUtf8(utf8.data(), static_cast<qsizetype>(utf8.size())); }
}  // namespace

void WaitKeepingUiLive(int milliseconds) {
    if (milliseconds <= 0) return;
    QEventLoop loop;
    QTimer::singleShot(milliseconds, &loop, &QEventLoop::quit);
    loop.exec();
}

void GuiHost::Status(std::string_view text) { main_.setStatus(Q(text)); }

void GuiHost::Inform(std::string_view text, std::string_view title, BoxIcon icon) {
    main_.prompter().information(main_.window(), Q(text), Q(title), icon == BoxIcon::Information);
}

bool GuiHost::Ask(std::string_view question, std::string_view title) { return main_.prompter().question(main_.window(), Q(question), Q(title)); }

void GuiHost::Wait(int milliseconds) { WaitKeepingUiLive(milliseconds); }

bool GuiHost::EudoraRunning() { return WindowExists(msg::kEudoraTitlePrefix); }

// A fresh progress window for each search, owned by the main window.
void GuiHost::OpenProgress() {
    if (progress_) progress_->close();
    progress_ = new ProgressWindow(main_.state(), main_.window());
    main_.state().progress.ProgressShown = true;
    progress_->refreshInfo();
    progress_->show();
}

void GuiHost::UpdateProgress() {
    if (progress_) progress_->refreshInfo();
}

void GuiHost::CloseProgress() {
    if (progress_) {
        progress_->stopTimer();
        progress_->close();
    }
    main_.state().progress.ProgressShown = false;
}

}  // namespace ledgerly::ui
