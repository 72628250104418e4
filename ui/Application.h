#pragma once
// The desktop program's application object. A tool that cannot get the memory
// a message needs throws std::bad_alloc from inside an event handler; Qt does
// not let exceptions cross its event loop, so delivery is guarded here: the
// run is abandoned (its temporary files go with the unwinding), the user is
// told, and the program goes on.
#include <QApplication>
#include <functional>

#include "ui/Prompter.h"

namespace ledgerly::ui {

// Calls `deliver`; when it runs out of memory, tells the user and returns false.
bool DeliverGuarded(const std::function<bool()>& deliver, Prompter& prompter);

class Application : public QApplication {
public:
    Application(int& argc, char** argv, Prompter& prompter) : QApplication(argc, argv), prompter_(prompter) {}
    bool notify(QObject* receiver, QEvent* event) override;

private:
    Prompter& prompter_;
};

}  // namespace ledgerly::ui
