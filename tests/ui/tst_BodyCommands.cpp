// The body tools' menu commands, run as the main window (and the Special Tools
// palette) runs them, with every question answered by the fake prompter.
#include <QtTest>

#include <filesystem>

#include "app/Messages.h"
#include "store/MailboxBuilder.h"
#include "tests/support/TestSupport.h"
#include "tests/ui/support/FakeMainWindow.h"
#include "tests/ui/support/HoldRun.h"
#include "ui/CommandRegistry.h"
#include "ui/ToolRunner.h"

using namespace ledgerly;
namespace fs = std::filesystem;

namespace {

const QString kTitle = QStringLiteral("Ledgerly");

QString Box(const std::string& text) { return kTitle + "|" + QString::fromStdString(text); }

}  // namespace

class tst_BodyCommands : public QObject {
    Q_OBJECT

    std::unique_ptr<test::TempDir> dir;
    std::unique_ptr<test::FakeMainWindow> main;
    std::string pair;
    MailboxBuilder box;

    // A command as the menu runs it, waited for to its end.
    void Run(const char* command) {
        ui::RunCommand(command, *main);
        QVERIFY(main->waitForTool());
    }

private slots:
    void init() {
        dir = std::make_unique<test::TempDir>();
        main = std::make_unique<test::FakeMainWindow>();
        pair = *dir / "In.";
        main->key = pair + "mbx";
        box = MailboxBuilder();
        box.Add(ComposeMessage({"Subject: a"}, "<p>Hello</p>")).Add(ComposeMessage({"Subject: b"}, "caf=E9 Uryyb"));
        QVERIFY(box.Write(pair).ok());
    }

    void everyBodyCommandIsRegistered() {
        for (const char* name : {"menuStripHTMLTags", "menuDecodeQP", "menuROT13", "menuCipher", "menuDecipher", "menuCreateBackup", "menuFixLastTag"})
            QVERIFY2(ui::FindCommand(name) != nullptr, name);
    }

    void rewriteCommandsTransformBodiesAndEndWithTheDoneText_data() {
        QTest::addColumn<QString>("command");
        QTest::addColumn<QByteArray>("expected");
        const std::string a = ComposeMessage({"Subject: a"}, ""), b = ComposeMessage({"Subject: b"}, "");
        QTest::newRow("strip") << "menuStripHTMLTags" << QByteArray::fromStdString(a + "Hello" + b + "caf=E9 Uryyb");
        QTest::newRow("qp") << "menuDecodeQP" << QByteArray::fromStdString(a + "<p>Hello</p>" + b + "caf\xE9 Uryyb");
        QTest::newRow("rot13") << "menuROT13" << QByteArray::fromStdString(a + "<c>Uryyb</c>" + b + "pns=R9 Hello");
        QTest::newRow("cipher") << "menuCipher" << QByteArray::fromStdString(box.MbxBytes());
        QTest::newRow("decipher") << "menuDecipher" << QByteArray::fromStdString(box.MbxBytes());
    }
    void rewriteCommandsTransformBodiesAndEndWithTheDoneText() {
        QFETCH(QString, command);
        QFETCH(QByteArray, expected);
        QVERIFY(ui::RunCommand(command.toStdString(), *main));
        QVERIFY(main->waitForTool());
        QCOMPARE(QByteArray::fromStdString(test::ReadFile(pair + "mbx")), expected);
        QCOMPARE(main->statuses.last(), QString::fromUtf8(msg::kDone));
        QVERIFY(main->fakePrompter.informed.isEmpty());
        QCOMPARE(main->runs, 1);
        // The question named the mailbox and the two backups it was about to make.
        QCOMPARE(main->fakePrompter.asked.size(), 1);
        const QString question = main->fakePrompter.asked.first();
        QVERIFY2(question.contains("'In'") && question.contains("In.toc.1 and In.mbx.1"), qPrintable(question));
        QCOMPARE(main->appState.MbxBackupPath, pair + "mbx.1");
        QCOMPARE(main->appState.TocBackupPath, pair + "toc.1");
    }

    void checksComeInTheirOrderAndRefuseWhileEudoraRuns() {
        fs::remove(pair + "toc");
        fs::remove(pair + "mbx");
        Run("menuStripHTMLTags");
        QCOMPARE(main->fakePrompter.informed, QStringList{Box(msg::kTocNotFound)});

        init();
        main->eudoraRunning = true;
        Run("menuDecodeQP");
        QCOMPARE(main->fakePrompter.informed, QStringList{Box(msg::kCloseEudora)});
        QCOMPARE(main->statuses, QStringList{QString::fromUtf8(msg::kReady)});
        QCOMPARE(test::ReadFile(pair + "mbx"), box.MbxBytes());
        QVERIFY(!fs::exists(pair + "mbx.1"));
    }

    void anInconsistentPairIsRefusedInABox() {
        std::string toc = box.TocBytes();
        toc[static_cast<std::size_t>(SummaryOffset(2)) + 6] = 0x7F;  // Length far past the end
        test::WriteFile(pair + "toc", toc);
        Run("menuROT13");
        QCOMPARE(main->fakePrompter.informed.size(), 1);
        QVERIFY(main->fakePrompter.informed[0].contains("outside the mailbox file"));
        QVERIFY(main->fakePrompter.informed[0].contains("Nothing was changed."));
        QCOMPARE(main->statuses.last(), QString::fromUtf8(msg::kReady));
        QVERIFY(!fs::exists(pair + "toc.1"));
    }

    void backupAsksThenReports() {
        main->fakePrompter.answers = {false};
        Run("menuCreateBackup");
        QCOMPARE(main->fakePrompter.asked, QStringList{Box("Backup '" + pair + "toc' and '" + pair + "mbx'?")});
        QVERIFY(!fs::exists(pair + "toc.1"));
        QVERIFY(main->fakePrompter.informed.isEmpty());

        Run("menuCreateBackup");
        QCOMPARE(main->fakePrompter.informed, QStringList{Box("Created backup files:\r\n'" + pair + "mbx.1'\r\n'" + pair + "toc.1'")});
        QCOMPARE(test::ReadFile(pair + "mbx.1"), box.MbxBytes());
    }

    void repairDelimitersAsksOnceBacksUpDeletesTheTocAndRepairs() {
        const std::string runIn = ComposeMessage({"Subject: a"}, "<x-html>hi</x-html>") + ComposeMessage({"Subject: b"}, "b");
        test::WriteFile(pair + "mbx", runIn);
        main->fakePrompter.answers = {false};
        Run("menuFixLastTag");
        QCOMPARE(main->fakePrompter.asked.size(), 1);
        QVERIFY2(main->fakePrompter.asked[0].contains("status information of every message is lost"), qPrintable(main->fakePrompter.asked[0]));
        QVERIFY(fs::exists(pair + "toc"));
        QVERIFY(!fs::exists(pair + "toc.1"));

        main->fakePrompter.asked.clear();
        Run("menuFixLastTag");
        QCOMPARE(main->fakePrompter.asked.size(), 1);  // the tool's own warning was answered with it
        QVERIFY(!fs::exists(pair + "toc"));
        QCOMPARE(test::ReadFile(pair + "toc.1"), box.TocBytes());
        QCOMPARE(test::ReadFile(pair + "mbx.1"), runIn);
        QCOMPARE(test::ReadFile(pair + "mbx").size(), runIn.size() + 2);
        QCOMPARE(main->statuses.last(), QString::fromUtf8(msg::kDone));

        init();
        fs::remove(pair + "mbx");
        Run("menuFixLastTag");
        QCOMPARE(main->fakePrompter.informed, QStringList{Box(msg::kMbxNotFound)});
        QVERIFY(main->fakePrompter.asked.isEmpty());
    }

    // "Do not ask again" is kept per command in the settings file; a command
    // that is no longer asked about still shows the tool's own warning.
    void doNotAskAgainIsRememberedPerCommand() {
        main->appState.paths.IniPath = *dir / "Ledgerly.ini";
        main->fakePrompter.dontAskAgain = true;
        main->fakePrompter.answers = {false};
        Run("menuROT13");  // No: the tick is not kept
        QVERIFY(!fs::exists(main->appState.paths.IniPath));
        Run("menuROT13");
        QCOMPARE(main->fakePrompter.asked.size(), 2);
        Run("menuROT13");
        QCOMPARE(main->fakePrompter.asked.size(), 2);  // not asked again
        QVERIFY(fs::exists(pair + "mbx.2"));

        main->fakePrompter.asked.clear();
        Run("menuFixLastTag");
        Run("menuFixLastTag");  // no TOC any more: the mailbox check alone
        QCOMPARE(main->fakePrompter.asked.size(), 2);
        QVERIFY(main->fakePrompter.asked[0].contains("status information of every message is lost"));
        QVERIFY(main->fakePrompter.asked[1].startsWith(Box("Status information for all messages")));
    }

    // While a tool runs nothing else starts on the mailbox, and nothing is
    // queued to run afterwards.
    void aCommandGivenWhileAToolRunsDoesNotStartNorWait() {
        test::HoldRun hold(main->runner());
        ui::RunCommand("menuStripHTMLTags", *main);
        QVERIFY(hold.reached());
        // The UI thread is free: a timer fires while the tool is held.
        bool ticked = false;
        QTimer::singleShot(0, [&ticked] { ticked = true; });
        QTRY_VERIFY(ticked);
        ui::RunCommand("menuROT13", *main);
        ui::RunCommand("menuCreateBackup", *main);
        hold.release();
        QVERIFY(main->waitForTool());
        QCOMPARE(main->runs, 1);
        QVERIFY(!fs::exists(pair + "mbx.2"));
        QCOMPARE(test::ReadFile(pair + "mbx").find("<p>"), std::string::npos);
        QCOMPARE(main->statuses.last(), QString::fromUtf8(msg::kDone));
    }

    void withAnEmptyTreeNoCommandDoesAnything() {
        main->empty = true;
        for (const char* name : {"menuStripHTMLTags", "menuDecodeQP", "menuROT13", "menuCipher", "menuDecipher", "menuCreateBackup", "menuFixLastTag"})
            Run(name);
        QVERIFY(main->fakePrompter.asked.isEmpty());
        QVERIFY(main->fakePrompter.informed.isEmpty());
        QVERIFY(main->statuses.isEmpty());
        QVERIFY(!fs::exists(pair + "mbx.1") && !fs::exists(pair + "toc.1"));
    }
};

QTEST_MAIN(tst_BodyCommands)
#include "tst_BodyCommands.moc"
