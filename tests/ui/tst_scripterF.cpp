// The script runner window and its command against a fake main window.
#include <QListWidget>
#include <QtTest>
#include <filesystem>

#include "store/MailboxBuilder.h"
#include "tests/support/TestSupport.h"
#include "tests/ui/support/FakeMainWindow.h"
#include "ui/CommandRegistry.h"
#include "ui/scripterF.h"

using namespace ledgerly;

class ScripterFTest : public QObject {
    Q_OBJECT
private slots:
    void listsTclBeforePerlAndUpperCaseExtensions() {
        test::TempDir dir;
        std::filesystem::create_directories(dir.path() / "Scripts");
        for (const char* f : {"b.pl", "A.PL", "c.tcl", "readme.txt"}) test::WriteFile(dir / (std::string("Scripts/") + f), "");
        test::FakeMainWindow main;
        main.appState.paths.DataFolder = dir.str();
        ui::scripterF window(main, dir / "In.mbx", QStringLiteral("In (0)"));
        auto* list = window.findChild<QListWidget*>("Lista");
        QVERIFY(list);
        QCOMPARE(list->count(), 3);
        QCOMPARE(list->item(0)->text(), QStringLiteral("c.tcl"));
        QCOMPARE(window.windowTitle(), QStringLiteral("Run Script > In (0)"));
    }

    void anEmptyListIgnoresEnterAndClosesOnEsc() {
        test::TempDir dir;
        test::FakeMainWindow main;
        main.appState.paths.DataFolder = dir.str();
        ui::scripterF window(main, dir / "In.mbx", QStringLiteral("In"));
        window.show();
        auto* list = window.findChild<QListWidget*>("Lista");
        QTest::keyClick(list, Qt::Key_Return);
        QVERIFY(main.fakePrompter.informed.isEmpty());
        QTest::keyClick(list, Qt::Key_Escape);
        QVERIFY(!window.isVisible());
    }

    void twoRunsMakeTwoBackupsAndConfirmTheNewerOne() {
        test::TempDir dir;
        std::filesystem::create_directories(dir.path() / "Scripts");
        test::WriteFile(dir / "Scripts/noop.pl", "exit 0;\n");
        MailboxBuilder b;
        b.Add(ComposeMessage({"Subject: a"}, "b\r\n"));
        QVERIFY(b.Write(dir / "In.").ok());
        test::FakeMainWindow main;
        main.appState.paths.DataFolder = dir.str();
        ui::scripterF window(main, dir / "In.mbx", QStringLiteral("In (1)"));
        QVERIFY(window.RunSelected());
        QVERIFY(window.RunSelected());
        QCOMPARE(window.LastLaunch().mbxBackup, dir / "In.mbx.2");
        QCOMPARE(main.fakePrompter.informed.size(), 2);
        QVERIFY(main.fakePrompter.informed[1].startsWith(QStringLiteral("Confirmation|Script executed. Created backup files:\r\n'")));
        QVERIFY(main.fakePrompter.informed[1].contains(QStringLiteral("In.toc.2")));
    }

    void theCommandAsksBeforeOpeningForAMissingMailbox() {
        test::TempDir dir;
        test::FakeMainWindow main;
        main.key = dir / "Gone.mbx";
        main.fakePrompter.answers = {false};
        QVERIFY(ui::RunCommand("menuRunScript", main));
        QCOMPARE(main.fakePrompter.asked.value(0), QStringLiteral("Confirmation|'%1' not found.\r\nProceed anyway?").arg(QString::fromStdString(dir / "Gone.mbx")));
        QCOMPARE(main.fakePrompter.asked.size(), 1);
    }
};

QTEST_MAIN(ScripterFTest)
#include "tst_scripterF.moc"
