// Start-up once the program may run: the data folder from the command line
// or the registry, the global paths, the labelled tree and the first selection.
#include <QAction>
#include <QTest>
#include <QTreeWidget>
#include <filesystem>
#include <memory>

#include "app/Platform.h"
#include "tests/support/TestSupport.h"
#include "tests/ui/support/FakeMainWindow.h"
#include "tests/ui/support/SampleFolder.h"
#include "ui/Application.h"
#include "ui/Startup.h"
#include "ui/MainWindow.h"

using namespace ledgerly;

class StartupTest : public QObject {
    Q_OBJECT

    std::unique_ptr<test::TempDir> dir_;
    AppState state_;
    test::FakePrompter prompter_;

    std::string data() const { return dir_->str() + "Mail Folder"; }  // a space inside, no separator at the end

private slots:
    void init() {
        dir_ = std::make_unique<test::TempDir>();
        state_ = AppState{};
        std::filesystem::create_directories(dir_->str() + "prog");
        state_.paths.ProgramFolder = dir_->str() + "prog/";
        state_.paths.IniPath = state_.paths.ProgramFolder + "Ledgerly.ini";
        test::WriteSamplePair(data() + "/", "In", "In", 0, 2);
        test::WriteSamplePair(data() + "/Work.fol/", "Projects", "Projects", 2, 1);
    }
    void cleanup() { dir_.reset(); }

    void aCommandThatRunsOutOfMemoryIsReportedAndTheProgramGoesOn() {
        prompter_.informed.clear();
        QVERIFY(ui::DeliverGuarded([] { return true; }, prompter_));
        QVERIFY(prompter_.informed.isEmpty());
        QVERIFY(!ui::DeliverGuarded([]() -> bool { throw std::bad_alloc(); }, prompter_));
        QCOMPARE(prompter_.informed.size(), 1);
        QVERIFY(prompter_.informed[0].startsWith(QStringLiteral("Ledgerly|Not enough memory to finish")));
    }

    void theCommandLineNamesTheDataFolder() {
        const auto w = ui::StartMainWindow(state_, data(), [] { return std::string(kNoRegistryValue); }, &prompter_, false);
        QCOMPARE(state_.paths.DataFolder, data() + "/");
        QVERIFY(state_.paths.EudoraIniPath.empty());
        QCOMPARE(state_.paths.LinkHistoryPath, data() + "/LinkHistory.dat");
        QCOMPARE(state_.paths.AddressHistoryPath, data() + "/History.lst");
        QCOMPARE(state_.paths.NicknameFolder, data() + "/Nickname/");
        QVERIFY(std::filesystem::is_directory(data() + "/Nickname"));
        QCOMPARE(w->selectedKey(), data() + "/");  // the root is selected
        QCOMPARE(w->treeWidget()->topLevelItem(0)->child(0)->text(0), QString("In (2)"));
        QVERIFY(w->commandEnabled("menuAlignColumns"));
        QVERIFY(!w->commandEnabled("menuMark"));
        QVERIFY(w->palette(ui::PaletteKind::Flagging));
    }

    void theRegistryValueIsTheFallback_data() {
        QTest::addColumn<QString>("commandLine");
        QTest::addColumn<QString>("registry");
        QTest::addColumn<bool>("found");
        const QString folder = "<folder>";  // the test's own folder
        QTest::newRow("three parts") << "" << "C:\\Eudora\\Eudora.exe " + folder + " C:\\Eudora\\eudora.ini" << true;
        QTest::newRow("missing value") << "" << QString(kNoRegistryValue) << false;
        QTest::newRow("four parts") << "" << "a " + folder + " b c" << false;
        QTest::newRow("quoted command line") << "\"" + folder + "\"" << QString(kNoRegistryValue) << false;
        QTest::newRow("too short") << "/" << QString(kNoRegistryValue) << false;
    }
    void theRegistryValueIsTheFallback() {
        QFETCH(QString, commandLine);
        QFETCH(QString, registry);
        QFETCH(bool, found);
        test::WriteSamplePair(dir_->str() + "Eudora/", "Out", "Out", 1, 3);
        const QString folder = QString::fromStdString(dir_->str() + "Eudora");
        commandLine.replace("<folder>", folder);
        const std::string value = registry.replace("<folder>", folder).toStdString();
        const auto w = ui::StartMainWindow(state_, commandLine.toStdString(), [value] { return value; }, &prompter_, false);
        if (found) {
            QCOMPARE(state_.paths.DataFolder, dir_->str() + "Eudora/");
            QCOMPARE(state_.paths.EudoraIniPath, std::string("C:\\Eudora\\eudora.ini"));
            QCOMPARE(w->folderTree().Count(), 2);
            QCOMPARE(w->selectedTag(), std::string("root"));
        } else {
            QVERIFY(state_.paths.DataFolder.empty());
            QVERIFY(w->treeEmpty());
            QVERIFY(!w->commandEnabled("menuAlignColumns"));
            QVERIFY(w->selectedKey().empty());
        }
    }
};

QTEST_MAIN(StartupTest)
#include "tst_startup.moc"
