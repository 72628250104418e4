// Start-up once the program may run: the data folder from the command line
// or the registry, the global paths, the labelled tree and the first selection.
#include <QAction>
#include <QTest>
#include <QProcess>
#include <QTreeWidget>
#include <filesystem>
#include <memory>

#include "app/FileHelpers.h"
#include "app/IniFile.h"
#include "app/Platform.h"
#include "tests/support/TestSupport.h"
#include "tests/ui/support/FakeMainWindow.h"
#include "tests/ui/support/SampleFolder.h"
#include "ui/Application.h"
#include "ui/SingleInstance.h"
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
        prompter_ = test::FakePrompter{};
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
        QCOMPARE(w->selectedKey(), data() + "/");  // the root is selected
        QCOMPARE(w->treeWidget()->topLevelItem(0)->child(0)->text(0), QString("In (2)"));
        QVERIFY(w->commandEnabled("menuAlignColumns"));
        QVERIFY(!w->commandEnabled("menuMark"));
        QVERIFY(w->palette(ui::PaletteKind::Flagging));
    }

    // Opening and closing the program, changing nothing, creates nothing: no
    // settings file, no folder in the data folder or beside the program.
    void aStartThatChangesNothingCreatesNothing() {
        const auto listing = [](const std::string& folder) {
            QStringList names;
            for (const auto& e : std::filesystem::recursive_directory_iterator(folder)) names << QString::fromStdString(e.path().string());
            names.sort();
            return names;
        };
        const QStringList before = listing(dir_->str());
        {
            const auto w = ui::StartMainWindow(state_, data(), [] { return std::string(kNoRegistryValue); }, &prompter_, true);
            QVERIFY(QTest::qWaitForWindowExposed(w.get()));
            w->close();
        }
        QStringList created = listing(dir_->str());
        for (const QString& name : before) created.removeOne(name);
        QVERIFY2(created.isEmpty(), qPrintable(created.join(", ")));
    }

    // A folder that does not exist, or none at all, is said; the chooser that
    // follows gives the folder, remembered for the next start that finds none.
    void aMissingDataFolderIsSaidAndChosen_data() {
        QTest::addColumn<QString>("commandLine");
        QTest::addColumn<QString>("remembered");
        QTest::addColumn<QString>("chosen");
        QTest::addColumn<QString>("message");
        QTest::addColumn<QString>("opened");
        const QString missing = "<dir>nowhere";
        QTest::newRow("given folder missing, one chosen") << missing << "" << "<data>" << "'<dir>nowhere' does not exist" << "<data>";
        QTest::newRow("given folder missing, cancelled") << missing << "" << "" << "does not exist" << "";
        QTest::newRow("none found, one chosen") << "" << "" << "<data>" << "No Eudora data folder was found" << "<data>";
        QTest::newRow("none found, the remembered one") << "" << "<data>" << "" << "" << "<data>";
        QTest::newRow("remembered one gone") << "" << missing << "" << "No Eudora data folder was found" << "";
    }
    void aMissingDataFolderIsSaidAndChosen() {
        QFETCH(QString, commandLine);
        QFETCH(QString, remembered);
        QFETCH(QString, chosen);
        QFETCH(QString, message);
        QFETCH(QString, opened);
        const auto fill = [this](QString s) {
            return s.replace("<dir>", QString::fromStdString(dir_->str())).replace("<data>", QString::fromStdString(data()));
        };
        if (!remembered.isEmpty()) WriteIni("Settings", "DataFolder", fill(remembered).toStdString(), state_.paths.IniPath);
        prompter_ = test::FakePrompter{};
        prompter_.folders = {fill(chosen)};
        const auto w = ui::StartMainWindow(state_, fill(commandLine).toStdString(), [] { return std::string(kNoRegistryValue); },
                                           &prompter_, false);
        if (message.isEmpty()) {
            QVERIFY(prompter_.informed.isEmpty());
            QCOMPARE(prompter_.folders.size(), std::size_t(1));  // no chooser either
        } else {
            QCOMPARE(prompter_.informed.size(), 1);
            QVERIFY2(prompter_.informed[0].contains(fill(message)), qPrintable(prompter_.informed[0]));
        }
        if (opened.isEmpty()) {
            QVERIFY(w->treeEmpty());
            QVERIFY(w->statusText().startsWith("No data folder"));
        } else {
            QCOMPARE(state_.paths.DataFolder, fill(opened).toStdString() + "/");
            QCOMPARE(w->selectedKey(), state_.paths.DataFolder);
            QCOMPARE(w->statusText(), QString("Ready"));
            QCOMPARE(WithTrailingSeparator(ReadIni("Settings", "DataFolder", "", state_.paths.IniPath)), state_.paths.DataFolder);
        }
    }

    // A second start hands its command line to the running program.
    void aSecondStartReachesTheFirst() {
        const QString name = QStringLiteral("ledgerly-test-%1").arg(QCoreApplication::applicationPid());
        ui::SingleInstance first(name);
        QVERIFY(first.first());
        ui::SingleInstance second(name);
        QVERIFY(!second.first());
        QStringList received;
        connect(&first, &ui::SingleInstance::started, this, [&received](const QString& line) { received << line; });
        QVERIFY(ui::SingleInstance::SendToRunning(name, QStringLiteral("/home/sam/My Mail")));
        QTRY_COMPARE(received, QStringList{"/home/sam/My Mail"});
        QVERIFY(!ui::SingleInstance::SendToRunning(name + "-none", QString(), 200));

        // The running window comes up and opens the folder given.
        const auto w = ui::StartMainWindow(state_, data(), [] { return std::string(kNoRegistryValue); }, &prompter_, false);
        test::WriteSamplePair(dir_->str() + "Other/", "Out", "Out", 1, 3);
        w->bringToFront(dir_->str() + "Other");
        QVERIFY(w->isVisible());
        QCOMPARE(state_.paths.DataFolder, dir_->str() + "Other/");
        w->bringToFront(dir_->str() + "nowhere");
        QCOMPARE(state_.paths.DataFolder, dir_->str() + "Other/");
        QVERIFY2(prompter_.informed.size() == 1 && prompter_.informed[0].contains("does not exist"),
                 qPrintable(prompter_.informed.join(" / ")));
    }

    // --help and --version print and end without a window (and without a display).
    void helpAndVersionPrintWithoutAWindow() {
        const QString program = QStringLiteral(LEDGERLY_BIN_DIR) + "/ledgerly";
        if (!QFileInfo::exists(program)) QSKIP("the desktop program is not built");
        for (const QString& option : {QStringLiteral("--help"), QStringLiteral("--version")}) {
            QProcess p;
            QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
            env.remove("DISPLAY");
            env.remove("QT_QPA_PLATFORM");
            env.remove("WAYLAND_DISPLAY");
            p.setProcessEnvironment(env);
            p.start(program, {option});
            QVERIFY(p.waitForFinished(10000));
            QCOMPARE(p.exitCode(), 0);
            const QString out = QString::fromUtf8(p.readAllStandardOutput());
            QVERIFY2(option == "--help" ? out.startsWith("Usage: ledgerly") : out == "ledgerly " LEDGERLY_VERSION "\n", qPrintable(out));
        }
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
