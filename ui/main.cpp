// ledgerly: the desktop program. Start-up runs before any window:
//  - without the header-field decoder library beside the program it ends at
//    once, with no message (exit status 1: it could not start);
//  - when another instance runs it ends at once, with no message (exit
//    status 0: the program the user wants is already there);
//  - the whole command line (the arguments joined with single spaces, no
//    quotes removed) is the data folder, else Eudora's registry entry;
//  - then the folder tree is built and labelled and the main window shown;
//  - a command that runs out of memory is abandoned with a message.
#include "app/Startup.h"
#include "ui/Application.h"
#include "ui/Startup.h"
#include "ui/MainWindow.h"

int main(int argc, char** argv) {
    using namespace ledgerly;

    AppState state;
    // The command line is taken before Qt looks at the arguments.
    const StartupOutcome startup = RunStartup(state, JoinCommandLine(argc, argv));
    if (!startup.proceed) return startup.decoderMissing ? 1 : 0;

    ui::DialogPrompter prompter;
    ui::Application app(argc, argv, prompter);
    QApplication::setApplicationName(QStringLiteral("Ledgerly"));
    QApplication::setApplicationVersion(QStringLiteral(LEDGERLY_VERSION));

    const auto window = ui::ShowMainWindow(state);
    return QApplication::exec();
}
