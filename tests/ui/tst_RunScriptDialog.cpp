// The script runner window and its command against a fake main window.
#include <QApplication>
#include <QLabel>
#include <QListWidget>
#include <QScreen>
#include <QTimer>
#include <QtTest>
#include <filesystem>

#include "app/Process.h"
#include "store/MailboxBuilder.h"
#include "tests/support/TestSupport.h"
#include "tests/ui/support/FakeMainWindow.h"
#include "ui/CommandRegistry.h"
#include "ui/RunScriptDialog.h"
#include "ui/ScriptOutputWindow.h"

using namespace ledgerly;
namespace fs = std::filesystem;

namespace {

using Scripts = std::vector<std::pair<std::string, std::string>>;  // name, text

// A data folder with a one-message mailbox In and the given scripts.
struct Store {
    test::TempDir dir;
    test::FakeMainWindow main;
    explicit Store(const Scripts& scripts = {}) {
        fs::create_directories(dir.path() / "Scripts");
        for (const auto& [name, text] : scripts) test::WriteFile(dir / ("Scripts/" + name), text);
        MailboxBuilder b;
        b.Add(ComposeMessage({"Subject: a"}, "b\r\n"));
        if (!b.Write(dir / "In.").ok()) qFatal("cannot write the mailbox");
        main.appState.paths.DataFolder = dir.str();
        main.key = dir / "In.mbx";
    }
};

// A Perl script that writes its two arguments into the file `out`.
std::string ArgsRecorder(const std::string& out) {
    return "open(my $f, '>', '" + out + "') or die; print $f join('|', @ARGV); close $f;\n";
}

}  // namespace

class ScripterFTest : public QObject {
    Q_OBJECT
private slots:
    void initTestCase() {
        if (!ProgramOnPath("perl")) QSKIP("perl is not installed");
    }

    void listsTclBeforePerlAndUpperCaseExtensions() {
        Store s(Scripts{{"b.pl", ""}, {"A.PL", ""}, {"c.tcl", ""}, {"readme.txt", ""}});
        fs::create_directory(s.dir.path() / "Scripts" / "sub.tcl");
        ui::RunScriptDialog window(s.main, s.main.key, QStringLiteral("In (0)"));
        auto* list = window.findChild<QListWidget*>("Lista");
        QVERIFY(list);
        QCOMPARE(list->count(), 3);
        QCOMPARE(list->item(0)->text(), QStringLiteral("c.tcl"));
        QStringList perl{list->item(1)->text(), list->item(2)->text()};
        perl.sort();
        QCOMPARE(perl, (QStringList{"A.PL", "b.pl"}));
        QCOMPARE(window.windowTitle(), QStringLiteral("Run Script > In (0)"));
    }

    void anEmptyOrMissingScriptsFolderIgnoresEnterAndClosesOnEsc() {
        for (const bool folderExists : {true, false}) {
            Store s;
            if (!folderExists) fs::remove(s.dir.path() / "Scripts");
            ui::RunScriptDialog window(s.main, s.main.key, QStringLiteral("In"));
            window.show();
            auto* list = window.findChild<QListWidget*>("Lista");
            QCOMPARE(list->count(), 0);
            QTest::keyClick(list, Qt::Key_Return);
            QVERIFY(s.main.fakePrompter.informed.isEmpty());
            QVERIFY(!fs::exists(s.dir / "In.mbx.1"));
            QTest::keyClick(list, Qt::Key_Escape);
            QVERIFY(!window.isVisible());
        }
    }

    void keysOnTheList() {
        enum Effect { Run, Close, Properties, Nothing };
        struct Case { const char* name; Qt::Key key; Qt::KeyboardModifiers mods; Effect effect; };
        const Case cases[] = {
            {"Enter", Qt::Key_Return, Qt::NoModifier, Run},
            {"keypad Enter", Qt::Key_Enter, Qt::KeypadModifier, Run},
            {"Ctrl+Shift+Enter", Qt::Key_Return, Qt::ControlModifier | Qt::ShiftModifier, Run},
            {"Shift+Enter", Qt::Key_Return, Qt::ShiftModifier, Nothing},
            {"Ctrl+Enter", Qt::Key_Return, Qt::ControlModifier, Nothing},
            {"Alt+Enter", Qt::Key_Return, Qt::AltModifier, Properties},
            {"Esc", Qt::Key_Escape, Qt::NoModifier, Close},
            {"Shift+Esc", Qt::Key_Escape, Qt::ShiftModifier, Nothing},
            {"Shift+Ctrl+E", Qt::Key_E, Qt::ShiftModifier | Qt::ControlModifier, Nothing},
        };
        for (const Case& c : cases) {
            Store s(Scripts{{"noop.pl", "exit 0;\n"}});
            ui::RunScriptDialog window(s.main, s.main.key, QStringLiteral("In (1)"));
            window.show();
            QTest::keyClick(window.findChild<QListWidget*>("Lista"), c.key, c.mods);
            QVERIFY(s.main.waitForTool());
            const QStringList& informed = s.main.fakePrompter.informed;
            QVERIFY2(window.isVisible() == (c.effect != Close), c.name);
            QVERIFY2(fs::exists(s.dir / "In.mbx.1") == (c.effect == Run), c.name);
            QVERIFY2(informed.size() == (c.effect == Run || c.effect == Properties ? 1 : 0), c.name);
            if (c.effect == Properties) QVERIFY2(informed[0].startsWith("Properties - noop.pl|Name: noop.pl"), c.name);
        }
    }

    void ctrlEOpensTheScriptInTheUsersEditor() {
        Store s(Scripts{{"noop.pl", "exit 0;\n"}});
        const QByteArray visual = qgetenv("VISUAL");
        const std::string marker = s.dir / "edited";
        qputenv("VISUAL", QByteArray::fromStdString("sh -c 'printf %s \"$0\" > " + marker + "'"));
        ui::RunScriptDialog window(s.main, s.main.key, QStringLiteral("In (1)"));
        QTest::keyClick(window.findChild<QListWidget*>("Lista"), Qt::Key_E, Qt::ControlModifier);
        qputenv("VISUAL", visual);
        QTRY_COMPARE(QString::fromStdString(fs::exists(marker) ? test::ReadFile(marker) : ""),
                     QString::fromStdString(s.dir / "Scripts/noop.pl"));
        QVERIFY(!fs::exists(s.dir / "In.mbx.1"));
    }

    // Each run backs up the pair afresh and hands the script the mailbox and
    // the backup made by that run.
    void twoRunsMakeTwoBackupsAndPassTheNewerOne() {
        Store s;
        const std::string args = s.dir / "args";
        test::WriteFile(s.dir / "Scripts/record.pl", ArgsRecorder(args));
        ui::RunScriptDialog window(s.main, s.main.key, QStringLiteral("In (1)"));
        QVERIFY(window.RunSelected());
        QVERIFY(s.main.waitForTool());
        QTRY_VERIFY(fs::exists(args));
        fs::remove(args);
        QVERIFY(window.RunSelected());
        QVERIFY(s.main.waitForTool());
        QTRY_COMPARE(QString::fromStdString(fs::exists(args) ? test::ReadFile(args) : ""),
                     QString::fromStdString(s.dir / "In.mbx" + "|" + s.dir / "In.mbx.2"));
        QVERIFY(fs::exists(s.dir / "In.toc.2"));
        QCOMPARE(s.main.fakePrompter.informed.size(), 2);
        QCOMPARE(s.main.fakePrompter.informed[1], QString::fromStdString("Confirmation|Script executed. Created backup files:\r\n'" +
                                                                         s.dir / "In.mbx.2" + "'\r\n'" + s.dir / "In.toc.2" + "'"));
    }

    void aFailedBackupIsSaidAndTheScriptIsNotRun() {
        Store s;
        const std::string args = s.dir / "args";
        test::WriteFile(s.dir / "Scripts/record.pl", ArgsRecorder(args));
        fs::create_directory(s.dir.path() / "In.mbx.1.ledgerly-partial");  // the mailbox copy cannot be written
        ui::RunScriptDialog window(s.main, s.main.key, QStringLiteral("In (1)"));
        QVERIFY(window.RunSelected());
        QVERIFY(s.main.waitForTool());
        QVERIFY(!window.LastOutput());
        QCOMPARE(s.main.fakePrompter.informed.size(), 1);
        QVERIFY(s.main.fakePrompter.informed[0].startsWith("Confirmation|The backup could not be made, so the script was not run:"));
        QTest::qWait(300);
        QVERIFY(!fs::exists(args));
    }

    // What the script printed, on either stream, and how it ended are shown.
    void theScriptsOutputAndExitStatusAreShown() {
        Store s(Scripts{{"talk.pl", "print \"out line\\n\"; print STDERR \"err line\\n\"; exit 3;\n"}});
        ui::RunScriptDialog window(s.main, s.main.key, QStringLiteral("In (1)"));
        QVERIFY(window.RunSelected());
        QVERIFY(s.main.waitForTool());
        ui::ScriptOutputWindow* output = window.LastOutput();
        QVERIFY(output);
        QCOMPARE(output->parent(), &s.main.widget);  // it outlives the runner's window
        QTRY_VERIFY(output->finished());
        QCOMPARE(output->exitStatus(), 3);
        QVERIFY(output->output().contains("out line"));
        QVERIFY(output->output().contains("err line"));
        QCOMPARE(output->findChild<QLabel*>("statusL")->text(), QStringLiteral("The script ended with exit status 3."));
        output->close();
    }

    void aMissingInterpreterIsSaidBeforeAnyBackup() {
        Store s(Scripts{{"noop.tcl", "exit 0\n"}});
        const QByteArray path = qgetenv("PATH");
        qputenv("PATH", QByteArray::fromStdString(s.dir.str()));
        ui::RunScriptDialog window(s.main, s.main.key, QStringLiteral("In (1)"));
        const bool ran = window.RunSelected();
        qputenv("PATH", path);
        QVERIFY(!ran);
        QCOMPARE(s.main.fakePrompter.informed.value(0),
                 QStringLiteral("Confirmation|'tclsh' is not installed: it runs .tcl scripts. The script was not run."));
        QVERIFY(!fs::exists(s.dir / "In.toc.1"));
    }

    // The window takes the main window's top and height and stands beside it,
    // on the side with more room.
    void placedBesideTheMainWindow() {
        const QRect screen = QGuiApplication::primaryScreen()->geometry();
        for (const bool mainOnTheRight : {false, true}) {
            Store s;
            const int left = mainOnTheRight ? screen.center().x() + 40 : screen.left() + 20;
            s.main.widget.setGeometry(left, screen.top() + 30, 200, 300);
            ui::RunScriptDialog window(s.main, s.main.key, QStringLiteral("In"));
            const QRect main = s.main.widget.frameGeometry();
            QCOMPARE(window.frameGeometry().top(), main.top());
            QCOMPARE(window.height(), main.height());
            QCOMPARE(window.frameGeometry().left(), mainOnTheRight ? main.left() - window.frameGeometry().width() : main.right() + 1);
        }
    }

    // No to a question ends the command; Yes to every question opens the window.
    void theCommandAsksAboutMissingFilesBeforeOpening() {
        struct Case { const char* name; bool removeToc; bool removeMbx; std::deque<bool> answers; int asked; bool opens; };
        const Case cases[] = {
            {"both present", false, false, {}, 0, true},
            {"no TOC, Yes", true, false, {true}, 1, true},
            {"no TOC, No", true, false, {false}, 1, false},
            {"neither, No to the first", true, true, {false}, 1, false},
            {"neither, Yes then No", true, true, {true, false}, 2, false},
        };
        for (const Case& c : cases) {
            Store s;
            if (c.removeToc) fs::remove(s.dir / "In.toc");
            if (c.removeMbx) fs::remove(s.dir / "In.mbx");
            s.main.fakePrompter.answers = c.answers;
            QString opened;
            QTimer closer;
            closer.setSingleShot(true);
            connect(&closer, &QTimer::timeout, [&opened] {
                if (QWidget* w = QApplication::activeModalWidget()) {
                    opened = w->objectName();
                    w->close();
                }
            });
            closer.start(0);
            QVERIFY(ui::RunCommand("menuRunScript", s.main));
            closer.stop();
            QVERIFY2(s.main.fakePrompter.asked.size() == c.asked, c.name);
            if (c.asked > 0) QVERIFY2(s.main.fakePrompter.asked[0].startsWith("Confirmation|'"), c.name);
            QVERIFY2((opened == QStringLiteral("scripterF")) == c.opens, c.name);
        }
    }
};

QTEST_MAIN(ScripterFTest)
#include "tst_RunScriptDialog.moc"
