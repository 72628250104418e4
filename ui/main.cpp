// ledgerly: the desktop program. Start-up runs before any window:
//  - --help and --version print and end, without a window;
//  - without the header-field decoder library beside the program it ends at
//    once, with no message (exit status 1: it could not start);
//  - when the program already runs, the command line goes to it: it comes to
//    the front and opens the folder given (exit status 0);
//  - the whole command line (the arguments joined with single spaces, no
//    quotes removed) is the data folder, else Eudora's registry entry; a
//    folder that does not exist, or none at all, is said in a box, and a
//    folder chooser follows;
//  - then the folder tree is built and labelled and the main window shown.
#include <cstdio>
#include <cstring>

#include "app/Startup.h"
#include "ui/Application.h"
#include "ui/MainWindow.h"
#include "ui/SingleInstance.h"
#include "ui/Startup.h"

namespace {

constexpr const char* kUsage =
    "Usage: ledgerly [DATA_FOLDER]\n"
    "\n"
    "Repairs, cleans and mines the mail store of the Eudora mail client.\n"
    "The whole command line is Eudora's data folder (spaces and all); without\n"
    "one, the folder Eudora's registry entry names (under Wine), else the one\n"
    "chosen at an earlier start. A second start hands its folder to the\n"
    "running window.\n"
    "\n"
    "  --help      show this text and end\n"
    "  --version   show the version and end\n"
    "\n"
    "Every tool is also on the command line: ledgerly-cli --help\n";

}  // namespace

int main(int argc, char** argv) {
    using namespace ledgerly;

    if (argc == 2 && (std::strcmp(argv[1], "--help") == 0 || std::strcmp(argv[1], "-h") == 0)) {
        std::fputs(kUsage, stdout);
        return 0;
    }
    if (argc == 2 && std::strcmp(argv[1], "--version") == 0) {
        std::printf("ledgerly %s\n", LEDGERLY_VERSION);
        return 0;
    }

    AppState state;
    // The command line is taken before Qt looks at the arguments.
    const std::string commandLine = JoinCommandLine(argc, argv);
    StartupOptions options;
    options.lockName.clear();  // the running program is found through SingleInstance
    const StartupOutcome startup = RunStartup(state, commandLine, options);
    if (!startup.proceed) return startup.decoderMissing ? 1 : 0;

    ui::DialogPrompter prompter;
    ui::Application app(argc, argv, prompter);
    QApplication::setApplicationName(QStringLiteral("Ledgerly"));
    QApplication::setApplicationVersion(QStringLiteral(LEDGERLY_VERSION));
    QApplication::setDesktopFileName(QStringLiteral("ledgerly"));

    ui::SingleInstance instance;
    // A running program that does not answer does not keep this one from starting.
    if (!instance.first() && ui::SingleInstance::SendToRunning(ui::SingleInstance::DefaultName(), QString::fromLocal8Bit(commandLine.c_str())))
        return 0;

    const auto window = ui::OpenMainWindow(state, commandLine);
    QObject::connect(&instance, &ui::SingleInstance::started, window.get(), [w = window.get()](const QString& line) {
        w->bringToFront(line.toLocal8Bit().toStdString());
    });
    return QApplication::exec();
}
