// ledgerly: the desktop program. Start-up runs here, before any window:
//  - without the header-field decoder library beside the program it ends at
//    once, with no message (exit status 1: it could not start);
//  - when another instance runs it ends at once, with no message (exit
//    status 0: the program the user wants is already there);
//  - the whole command line (the arguments joined with single spaces, no
//    quotes removed) is the data folder, else Eudora's registry entry;
//  - then ui/Startup.cpp: the folder tree is built and labelled, the main
//    window shown.
#include <QApplication>
#include <QDir>
#include <memory>
#include <string>

#include "app/FieldDecoder.h"
#include "app/FileHelpers.h"
#include "app/Platform.h"
#include "app/StartupPaths.h"
#include "ui/Startup.h"
#include "ui/pregledF.h"

int main(int argc, char** argv) {
    using namespace ledgerly;

    // Taken before Qt looks at the arguments.
    std::string commandLine;
    for (int i = 1; i < argc; ++i) {
        if (i > 1) commandLine += ' ';
        commandLine += argv[i];
    }

    AppState state;
    state.paths.ProgramFolder = ProgramFolder();
    if (!FileExists(DecoderLibraryPath(state.paths.ProgramFolder))) return 1;

    // From here on a step that fails is skipped.
    QDir::setCurrent(QFile::decodeName(QByteArray::fromStdString(state.paths.ProgramFolder)));
    state.paths.IniPath = DefaultIniPath(state.paths.ProgramFolder);

    const std::unique_ptr<InstanceLock> lock = AcquireInstanceLock("Ledgerly");
    if (!lock) return 0;

    QApplication app(argc, argv);
    QApplication::setApplicationName(QStringLiteral("Ledgerly"));
    QApplication::setApplicationVersion(QStringLiteral(LEDGERLY_VERSION));

    const auto window = ui::StartMainWindow(state, commandLine, [] { return RegReadString(kEudoraCommandLineKey, kEudoraCommandLineValue); });
    return QApplication::exec();
}
