#include "ui/GuiHost.h"

#include <QCoreApplication>

#include "app/Messages.h"
#include "app/Platform.h"
#include "ui/MainWindowApi.h"
#include "ui/Prompter.h"

namespace ledgerly::ui {
namespace {
QString Q(std::string_view utf8) { return QString::fromUtf8(utf8.data(), static_cast<qsizetype>(utf8.size())); }
}  // namespace

void WaitKeepingUiLive(int) { QCoreApplication::processEvents(); }

void GuiHost::Status(std::string_view text) { main_.setStatus(Q(text)); }

void GuiHost::Inform(std::string_view text, std::string_view title, BoxIcon icon) {
    main_.prompter().information(main_.window(), Q(text), Q(title), icon == BoxIcon::Information);
}

bool GuiHost::Ask(std::string_view question, std::string_view title) { return main_.prompter().question(main_.window(), Q(question), Q(title)); }

void GuiHost::Wait(int milliseconds) { WaitKeepingUiLive(milliseconds); }

bool GuiHost::EudoraRunning() { return WindowExists(msg::kEudoraTitlePrefix); }

void GuiHost::OpenProgress() { main_.state().progress.ProgressShown = false; }

void GuiHost::CloseProgress() { main_.state().progress.ProgressShown = false; }

}  // namespace ledgerly::ui
