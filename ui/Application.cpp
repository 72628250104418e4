#include "ui/Application.h"

#include <new>

#include "app/Messages.h"

namespace ledgerly::ui {

bool DeliverGuarded(const std::function<bool()>& deliver, Prompter& prompter) {
    try {
        return deliver();
    } catch (const std::bad_alloc&) {
        // Telling may itself need memory; the unwinding has freed the run's.
        try {
            prompter.information(nullptr, QString::fromUtf8(msg::kOutOfMemory));
        } catch (const std::bad_alloc&) {
        }
        return false;
    }
}

bool Application::notify(QObject* receiver, QEvent* event) {
    return DeliverGuarded([&] { return QApplication::notify(receiver, event); }, prompter_);
}

}  // namespace ledgerly::ui
