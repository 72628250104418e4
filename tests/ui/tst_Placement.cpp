// Where windows open: palettes beside the main window on first start and never
// over its menu bar, saved places kept inside the screen's available area, and
// every window large enough for its texts and columns. ctest runs this at 100%,
// at 200% (QT_SCALE_FACTOR=2) and with 192-dpi fonts.
#include <QAbstractButton>
#include <QGroupBox>
#include <QHeaderView>
#include <QLabel>
#include <QMenuBar>
#include <QScreen>
#include <QTest>
#include <QTreeView>
#include <filesystem>
#include <memory>

#include "app/IniFile.h"
#include "mining/MinerResult.h"
#include "store/FolderTree.h"
#include "store/MailboxBuilder.h"
#include "tests/support/TestSupport.h"
#include "tests/ui/support/FakeMainWindow.h"
#include "tests/ui/support/SampleFolder.h"
#include "ui/AboutDialog.h"
#include "ui/AlignColumnsDialog.h"
#include "ui/DuplicateOptionsDialog.h"
#include "ui/ExportFilesDialog.h"
#include "ui/LinkAttachmentsDialog.h"
#include "ui/MainWindow.h"
#include "ui/MinerResultsWindow.h"
#include "ui/OrphanedAttachmentsDialog.h"
#include "ui/Palettes.h"
#include "ui/Placement.h"
#include "ui/ProgressWindow.h"
#include "ui/RunScriptDialog.h"
#include "ui/ToolRunner.h"

using namespace ledgerly;
using ledgerly::ui::MainWindow;
using ledgerly::ui::PaletteKind;
namespace fs = std::filesystem;

namespace {

// What of a shown window is cut off: a text narrower than it needs, a list
// column narrower than its caption, a frame outside the screen.
QStringList CutOff(QWidget& window) {
    QStringList cut;
    auto shown = [&window](QWidget* w) { return w->isVisibleTo(&window) && w->window() == &window; };
    for (QLabel* l : window.findChildren<QLabel*>())
        if (shown(l) && !l->wordWrap() && !l->text().isEmpty() && l->width() < l->sizeHint().width())
            cut << "label " + l->objectName() + " '" + l->text() + "'";
    for (QAbstractButton* b : window.findChildren<QAbstractButton*>())
        if (shown(b) && !b->text().isEmpty() && b->width() < b->minimumSizeHint().width())
            cut << "button " + b->objectName() + " '" + b->text() + "'";
    for (QGroupBox* g : window.findChildren<QGroupBox*>())
        if (shown(g) && g->width() < g->minimumSizeHint().width()) cut << "frame " + g->objectName();
    for (QTreeView* v : window.findChildren<QTreeView*>()) {
        if (!shown(v) || v->isHeaderHidden() || v->property(ui::kKeepColumnWidths).toBool()) continue;
        for (int c = 0; c < v->header()->count(); ++c)
            if (!v->header()->isSectionHidden(c) && v->header()->sectionSize(c) < ui::HeaderCaptionWidth(*v, c))
                cut << QStringLiteral("column %1 of %2").arg(c).arg(v->objectName());
    }
    const QRect area = window.screen()->availableGeometry();
    if (!area.contains(window.frameGeometry())) cut << "frame outside the screen";
    return cut;
}

QRect MenuBarOnScreen(const MainWindow& w) {
    const QMenuBar* bar = w.menuBar();
    return {bar->mapToGlobal(QPoint(0, 0)), bar->size()};
}

}  // namespace

class PlacementTest : public QObject {
    Q_OBJECT

    std::unique_ptr<test::TempDir> dir_;
    AppState state_;
    test::FakePrompter prompter_;

    std::string ini() const { return state_.paths.IniPath; }
    QRect screenArea() const { return QGuiApplication::primaryScreen()->availableGeometry(); }

private slots:
    void init() {
        dir_ = std::make_unique<test::TempDir>();
        state_ = AppState{};
        state_.paths.ProgramFolder = dir_->str();
        state_.paths.IniPath = dir_->str() + "Ledgerly.ini";
        state_.paths.DataFolder = dir_->str() + "data/";
        test::WriteSampleFolder(state_.paths.DataFolder);
        prompter_ = test::FakePrompter{};
    }
    void cleanup() { dir_.reset(); }

    void aFrameIsMovedAndShrunkIntoTheArea() {
        struct Case { QRect frame, want; };
        const QRect area(0, 30, 800, 570);  // a panel across the top
        const Case cases[] = {
            {{10, 40, 100, 100}, {10, 40, 100, 100}},      // inside: unchanged
            {{-50, -50, 100, 100}, {0, 30, 100, 100}},     // above and left
            {{780, 590, 100, 100}, {700, 500, 100, 100}},  // past the bottom-right corner
            {{100, 100, 900, 900}, {0, 30, 800, 570}},     // larger than the area
            {{1467, 0, 200, 50}, {600, 30, 200, 50}},      // a place saved on a larger screen
        };
        for (const Case& c : cases) QCOMPARE(ui::ClampedTo(c.frame, area), c.want);
    }

    void palettesStartBesideTheMainWindowNeverOverItsMenuBar() {
        struct Case { const char* name; QRect main; int index; QPoint want; };
        const QRect area(0, 0, 1200, 800);
        const QSize palette(300, 60);
        const int menuBottom = 60;  // for a main window at top 10
        const Case cases[] = {
            {"room on the right", {0, 10, 500, 400}, 0, {508, 10}},
            {"cascaded", {0, 10, 500, 400}, 2, {508, 10 + 2 * 68}},
            {"room on the left only", {700, 10, 500, 400}, 0, {392, 10}},
            {"no room beside: inside, below the menu bar", {0, 10, 1200, 700}, 0, {900, 68}},
            {"no room beside, cascaded", {0, 10, 1200, 700}, 1, {900, 136}},
        };
        for (const Case& c : cases) {
            const QPoint at = ui::PaletteStartPosition(c.main, palette, c.index, area, menuBottom);
            QVERIFY2(at == c.want, c.name);
            const QRect menuBar(c.main.left(), c.main.top(), c.main.width(), menuBottom - c.main.top() + 1);
            QVERIFY2(!QRect(at, palette).intersects(menuBar), c.name);
            QVERIFY2(area.contains(QRect(at, palette)), c.name);
        }
    }

    void onFirstStartThePalettesOpenBesideTheMainWindow() {
        WriteIni("Toolbars", "MiningTools", "1", ini());
        WriteIni("Toolbars", "SpecialTools", "1", ini());
        MainWindow w(state_, &prompter_);
        w.setFolderTree(LoadFolderTree(state_.paths.DataFolder));
        w.showAsLoaded();
        QVERIFY(QTest::qWaitForWindowExposed(&w));
        QList<QRect> frames;
        for (PaletteKind kind : {PaletteKind::Flagging, PaletteKind::Special, PaletteKind::Mining}) {
            ui::ToolPalette* p = w.palette(kind);
            QVERIFY(p && p->isVisible());
            const QRect frame = p->frameGeometry();
            QVERIFY2(!frame.intersects(MenuBarOnScreen(w)), qPrintable(p->objectName()));
            QVERIFY2(screenArea().contains(frame), qPrintable(p->objectName()));
            for (const QRect& other : frames) QVERIFY2(!frame.intersects(other), "cascaded, one below the other");
            frames << frame;
        }
        w.close();
    }

    void savedPlacesComeBackInsideTheScreen_data() {
        QTest::addColumn<QString>("top");
        QTest::addColumn<QString>("left");
        QTest::newRow("far right and down") << "21000" << "21999";
        QTest::newRow("negative") << "-3000" << "-200";
        QTest::newRow("in range") << "300" << "300";
    }
    void savedPlacesComeBackInsideTheScreen() {
        QFETCH(QString, top);
        QFETCH(QString, left);
        for (const char* prefix : {"Window", "FlaggingTools", "Miner"}) {
            const char* section = std::string(prefix) == "Window" ? "Settings" : "Windows";
            WriteIni(section, std::string(prefix) + "Top", top.toStdString(), ini());
            WriteIni(section, std::string(prefix) + "Left", left.toStdString(), ini());
        }
        WriteIni("Windows", "MinerWidth", "22000", ini());
        WriteIni("Windows", "MinerHeight", "24000", ini());
        MainWindow w(state_, &prompter_);
        w.showAsLoaded();
        QVERIFY(QTest::qWaitForWindowExposed(&w));
        QVERIFY(screenArea().contains(w.frameGeometry()));
        QVERIFY(screenArea().contains(w.palette(PaletteKind::Flagging)->frameGeometry()));
        test::FakeMainWindow fake;
        fake.appState.paths.IniPath = ini();
        MinerResult result;
        result.windowCaption = "URL Miner - In";
        result.columnCaption = "URL";
        auto* miner = ui::MinerResultsWindow::Open(fake, result);
        QVERIFY(screenArea().contains(miner->frameGeometry()));
        miner->close();
        w.close();
    }

    // Each window shown as it first opens: nothing cut off, nothing off screen.
    void everyWindowOpensLargeEnoughForItsTexts() {
        test::FakeMainWindow main;
        main.appState = state_;
        const std::string data = state_.paths.DataFolder;
        main.key = data + "In.mbx";
        main.text = QStringLiteral("In (12)");
        std::vector<std::unique_ptr<QWidget>> windows;
        auto check = [](QWidget& w, const char* what) {
            w.show();
            QVERIFY(QTest::qWaitForWindowExposed(&w));
            const QStringList cut = CutOff(w);
            QVERIFY2(cut.isEmpty(), qPrintable(QString::fromLatin1(what) + ": " + cut.join(", ")));
        };
        {
            ui::AboutDialog about(state_);
            check(about, "About");
        }
        {
            ui::DuplicateOptionsDialog options;
            check(options, "duplicate options");
        }
        {
            fs::create_directories(dir_->str() + "out");
            WriteIni("Settings", "ExportDir", dir_->str() + "out", main.appState.paths.IniPath);
            ui::ExportFilesDialog* exportFiles = ui::ExportFilesDialog::Open(main, main.key);
            check(*exportFiles, "export to files");
            exportFiles->close();
        }
        {
            ui::AlignColumnsDialog align(main, data, QStringLiteral("Eudora"));
            check(align, "align columns");
        }
        {
            MailboxBuilder b;
            b.Add(ComposeMessage({"From: Someone With A Long Name <someone@example.com>"},
                                 "\r\nAttachment Converted: \"C:\\Somewhere Far Away\\a rather long attachment name.pdf\"\r\n"),
                  "Someone With A Long Name");
            QVERIFY(b.Write(data + "Linked.").ok());
            ui::LinkAttachmentsDialog links(main, data + "Linked.mbx", QStringLiteral("Linked (1)"));
            QVERIFY(links.load());
            check(links, "link attachments");
        }
        {
            ui::OrphanedAttachmentsDialog orphans(main, data, QStringLiteral("Eudora"));
            check(orphans, "orphaned attachments");
        }
        {
            fs::create_directories(data + "Scripts");
            test::WriteFile(data + "Scripts/a-script-with-a-long-name.pl", "exit 0;\n");
            ui::RunScriptDialog scripts(main, main.key, main.text);
            check(scripts, "run script");
        }
        {
            QWidget owner;
            auto* progress = new ui::ProgressWindow(&owner);
            progress->setCount(32767, 32767, QStringLiteral("messages"));
            progress->setText(QStringLiteral("Mark Duplicates (Classic)"));
            check(*progress, "progress");
            progress->finish();
        }
        {
            MainWindow w(state_, &prompter_);
            w.setFolderTree(LoadFolderTree(data));
            w.selectKey(data + "In.mbx");
            check(w, "main window");
            w.close();
        }
    }
};

QTEST_MAIN(PlacementTest)
#include "tst_Placement.moc"
