// Times each tool as the desktop program runs it (the menu command, its
// worker thread, its progress window, every question answered Yes) next to
// the same tool run by ledgerly-cli, on fresh copies of one generated pair.
//
//   window_bench CLI STORE [RUNS [TOOL]]
//
// CLI is a ledgerly-cli, STORE a folder holding Large.mbx and Large.toc
// (`ledgerly-cli sample-store --large 32767 STORE`). Every tool runs RUNS
// times (default 1) each way, or only the tools whose label contains TOOL;
// the table shows the fastest of each. Run by
// hand, with QT_QPA_PLATFORM=offscreen or under a display.
#include <QApplication>
#include <QComboBox>
#include <QElapsedTimer>
#include <QFileInfo>
#include <QLineEdit>
#include <QProcess>
#include <QPushButton>
#include <QTimer>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "app/AppState.h"
#include "store/FolderTree.h"
#include "ui/DuplicateOptionsDialog.h"
#include "ui/ExportFilesDialog.h"
#include "ui/MainWindow.h"
#include "ui/Prompter.h"
#include "ui/ToolRunner.h"

using namespace ledgerly;
namespace fs = std::filesystem;

namespace {

// Says Yes to everything and gives `file` to every save dialog.
class YesPrompter : public ui::Prompter {
public:
    QString file;
    QStringList informed;
    void information(QWidget*, const QString& text, const QString&, bool) override { informed << text; }
    bool question(QWidget*, const QString&, const QString&) override { return true; }
    bool confirm(QWidget*, const QString&, const QString&, bool* dontAskAgain) override {
        if (dontAskAgain) *dontAskAgain = false;
        return true;
    }
    QString openFile(QWidget*, const QString&, const QString&) override { return file; }
    QString saveFile(QWidget*, const QString&, const QString&, QString*, const QString&) override { return file; }
    QString chooseFolder(QWidget*, const QString&, const QString&) override { return {}; }
};

struct Paths {
    std::string work, store, mbx, out;
};

// The window side's part in a run besides the command: answering a modal
// options window (set up before the command), filling in the export window
// the command opened (after it).
using Answer = std::function<void(ui::MainWindow&, const Paths&)>;

struct Tool {
    const char* label;
    std::vector<std::string> cli;  // @MBX@ and @OUT@ replaced
    const char* control;
    Answer before = {}, after = {};
};

void ClickProceedOfOptions(ui::MainWindow& w, const Paths&) {
    QTimer::singleShot(0, &w, [&w] {
        if (auto* options = w.findChild<ui::DuplicateOptionsDialog*>())
            options->findChild<QPushButton*>(QStringLiteral("proceedD"))->click();
    });
}

void ExportToOut(ui::MainWindow& w, const Paths& p) {
    ui::ExportFilesDialog* dialog = ui::ExportFilesDialog::Current(w);
    if (!dialog) return;
    dialog->findChild<QLineEdit*>(QStringLiteral("folderT"))->setText(QString::fromStdString(p.out));
    auto* proceed = dialog->findChild<QPushButton*>(QStringLiteral("proceedD"));
    proceed->setEnabled(true);
    proceed->click();
}

const std::vector<Tool> kTools = {
    {"verify / Check Mailbox", {"verify", "@MBX@"}, "menuCheckMailbox", {}},
    {"links --all / Extract URL > All", {"links", "--all", "@MBX@"}, "menuExtractAll", {}},
    {"addresses / Harvest", {"addresses", "@MBX@"}, "menuHarvestEMailAddresses", {}},
    {"export files", {"export", "files", "@MBX@", "@OUT@"}, "menuExportFiles", {}, ExportToOut},
    {"export digest", {"export", "digest", "@MBX@", "@OUT@/digest.html"}, "menuExportReadersDigest", {}},
    {"backup", {"backup", "@MBX@"}, "menuCreateBackup", {}},
    {"update --all", {"update", "--all", "@MBX@"}, "menuUpdateAll", {}},
    {"mark sent", {"mark", "sent", "@MBX@"}, "menuMarkAllSent", {}},
    {"duplicates --fast", {"duplicates", "--fast", "@MBX@"}, "menuMarkDuplicatesHash", ClickProceedOfOptions},
    {"duplicates --slow", {"duplicates", "--slow", "@MBX@"}, "menuMarkDuplicatesClassic", ClickProceedOfOptions},
    {"strip-html", {"strip-html", "@MBX@"}, "menuStripHTMLTags", {}},
    {"decode-qp", {"decode-qp", "@MBX@"}, "menuDecodeQP", {}},
    {"rot13", {"rot13", "@MBX@"}, "menuROT13", {}},
    {"repair-delimiters --yes", {"repair-delimiters", "@MBX@", "--yes"}, "menuFixLastTag", {}},
};

// A fresh copy of the pair in the work folder, read once so that the page
// cache is as warm for every run.
Paths FreshCopy(const std::string& source, const std::string& work) {
    fs::remove_all(work);
    Paths p{work, work + "/store/", work + "/store/Large.mbx", work + "/out"};
    fs::create_directories(p.store);
    fs::create_directories(p.out);
    for (const char* name : {"Large.mbx", "Large.toc"}) {
        fs::copy_file(source + "/" + name, p.store + name);
        std::ifstream in(p.store + name, std::ios::binary);
        std::vector<char> buffer(1 << 20);
        while (in.read(buffer.data(), static_cast<std::streamsize>(buffer.size())) || in.gcount() > 0) {}
    }
    return p;
}

double RunCli(const QString& cli, const Tool& tool, const Paths& p, int* exitCode) {
    QStringList args;
    for (std::string a : tool.cli) {
        for (auto [from, to] : {std::pair<std::string, std::string>{"@MBX@", p.mbx}, {"@OUT@", p.out}})
            if (const auto at = a.find(from); at != std::string::npos) a.replace(at, from.size(), to);
        args << QString::fromStdString(a);
    }
    QProcess process;
    process.setStandardOutputFile(QProcess::nullDevice());
    process.setStandardErrorFile(QProcess::nullDevice());
    QElapsedTimer clock;
    clock.start();
    process.start(cli, args);
    process.waitForFinished(-1);
    if (process.error() == QProcess::FailedToStart) qFatal("%s does not start", qPrintable(cli));
    *exitCode = process.exitStatus() == QProcess::NormalExit ? process.exitCode() : -1;
    return static_cast<double>(clock.nsecsElapsed()) / 1e9;
}

double RunWindow(const Tool& tool, const Paths& p, QString* status) {
    AppState state;
    state.paths.ProgramFolder = p.work + "/prog/";
    state.paths.IniPath = state.paths.ProgramFolder + "Ledgerly.ini";
    state.paths.DataFolder = p.store;
    fs::create_directories(state.paths.ProgramFolder);
    YesPrompter prompter;
    prompter.file = QString::fromStdString(p.out + "/digest.html");
    auto window = std::make_unique<ui::MainWindow>(state, &prompter);
    window->setFolderTree(LoadFolderTree(p.store));
    window->show();
    if (!window->selectKey(p.mbx)) {
        *status = QStringLiteral("the mailbox is not in the tree");
        return -1;
    }
    QApplication::processEvents();

    QElapsedTimer clock;
    clock.start();
    if (tool.before) tool.before(*window, p);
    window->runCommand(tool.control);
    if (tool.after) tool.after(*window, p);
    window->runner().waitUntilIdle();
    const double seconds = static_cast<double>(clock.nsecsElapsed()) / 1e9;
    *status = window->statusText();
    if (!prompter.informed.isEmpty()) *status += QStringLiteral(" [") + prompter.informed.join(QStringLiteral(" / ")).left(80) + ']';
    return seconds;
}

}  // namespace

int main(int argc, char** argv) {
    QApplication app(argc, argv);
    if (argc < 3) {
        std::fprintf(stderr, "usage: window_bench CLI STORE [RUNS [TOOL]]\n");
        return 2;
    }
    const QString cli = QFileInfo(QString::fromLocal8Bit(argv[1])).absoluteFilePath();
    const std::string store = fs::absolute(argv[2]).string();  // the window changes the working folder
    const int runs = argc > 3 ? std::max(1, std::atoi(argv[3])) : 1;
    const std::string only = argc > 4 ? argv[4] : "";
    if (!fs::exists(store + "/Large.mbx") || !fs::exists(store + "/Large.toc")) {
        std::fprintf(stderr, "no Large.mbx / Large.toc in %s\n", store.c_str());
        return 2;
    }
    const std::string work = fs::path(store).parent_path().string() + "/window-bench-work";

    std::printf("| tool | command line (s) | window (s) | window / command line |\n|---|---:|---:|---:|\n");
    std::fflush(stdout);
    for (const Tool& tool : kTools) {
        if (std::string(tool.label).find(only) == std::string::npos) continue;
        double cliBest = 0, windowBest = 0;
        int exitCode = 0;
        QString status;
        for (int i = 0; i < runs; ++i) {
            const double c = RunCli(cli, tool, FreshCopy(store, work), &exitCode);
            const double w = RunWindow(tool, FreshCopy(store, work), &status);
            cliBest = i == 0 ? c : std::min(cliBest, c);
            windowBest = i == 0 ? w : std::min(windowBest, w);
        }
        std::printf("| %s | %.3f | %.3f | %.2f |\n", tool.label, cliBest, windowBest, cliBest > 0 ? windowBest / cliBest : 0.0);
        std::fprintf(stderr, "   %s: exit %d; window: %s\n", tool.label, exitCode, qPrintable(status));
        std::fflush(stdout);
    }
    fs::remove_all(work);
    return 0;
}
