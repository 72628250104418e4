#include "ui/AttachmentWindowHost.h"

#include "ui/GuiHost.h"
#include "ui/MainWindowApi.h"
#include "ui/Prompter.h"

namespace ledgerly::ui {
namespace {
QString Q(std::string_view utf8) { return QString::fromUtf8(utf8.data(), static_cast<qsizetype>(utf8.size())); }
}  // namespace

void AttachmentWindowHost::Status(std::string_view text) {
    if (bar_) bar_->showMessage(Q(text));
}

void AttachmentWindowHost::Inform(std::string_view text, std::string_view title, BoxIcon icon) {
    main_.prompter().information(window_, Q(text), Q(title), icon == BoxIcon::Information);
}

bool AttachmentWindowHost::Ask(std::string_view question, std::string_view title) {
    return main_.prompter().question(window_, Q(question), Q(title));
}

void AttachmentWindowHost::Wait(int milliseconds) { WaitKeepingUiLive(milliseconds); }

bool AttachmentWindowHost::EudoraRunning() { return main_.host().EudoraRunning(); }

}  // namespace ledgerly::ui
