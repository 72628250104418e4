// The body tools' menu commands, run as the main window (and the Special Tools
// palette) runs them, with every question answered by the fake prompter.
#include <QtTest>

#include <filesystem>

#include "app/Messages.h"
#include "store/MailboxBuilder.h"
#include "tests/support/TestSupport.h"
#include "tests/ui/support/FakeMainWindow.h"
#include "ui/CommandRegistry.h"

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
        QCOMPARE(QByteArray::fromStdString(test::ReadFile(pair + "mbx")), expected);
        QCOMPARE(main->statuses.last(), QString::fromUtf8(msg::kDone));
        QVERIFY(main->fakePrompter.informed.isEmpty());
        QCOMPARE(main->locks, 1);
        QCOMPARE(main->unlocks, 1);
        QCOMPARE(main->appState.MbxBackupPath, pair + "mbx.1");
        QCOMPARE(main->appState.TocBackupPath, pair + "toc.1");
    }

    void checksComeInTheirOrderAndRefuseWhileEudoraRuns() {
        fs::remove(pair + "toc");
        fs::remove(pair + "mbx");
        ui::RunCommand("menuStripHTMLTags", *main);
        QCOMPARE(main->fakePrompter.informed, QStringList{Box(msg::kTocNotFound)});

        init();
        main->eudoraRunning = true;
        ui::RunCommand("menuDecodeQP", *main);
        QCOMPARE(main->fakePrompter.informed, QStringList{Box(msg::kCloseEudora)});
        QCOMPARE(main->statuses, QStringList{QString::fromUtf8(msg::kReady)});
        QCOMPARE(test::ReadFile(pair + "mbx"), box.MbxBytes());
        QVERIFY(!fs::exists(pair + "mbx.1"));
    }

    void anInconsistentPairIsRefusedInABox() {
        std::string toc = box.TocBytes();
        toc[static_cast<std::size_t>(SummaryOffset(2)) + 6] = 0x7F;  // Length far past the end
        test::WriteFile(pair + "toc", toc);
        ui::RunCommand("menuROT13", *main);
        QCOMPARE(main->fakePrompter.informed.size(), 1);
        QVERIFY(main->fakePrompter.informed[0].contains("outside the mailbox file"));
        QVERIFY(main->fakePrompter.informed[0].contains("Nothing was changed."));
        QCOMPARE(main->statuses.last(), QString::fromUtf8(msg::kReady));
        QVERIFY(!fs::exists(pair + "toc.1"));
        QCOMPARE(main->unlocks, main->locks);
    }

    void backupAsksThenReports() {
        main->fakePrompter.answers = {false};
        ui::RunCommand("menuCreateBackup", *main);
        QCOMPARE(main->fakePrompter.asked, QStringList{Box("Backup '" + pair + "toc' and '" + pair + "mbx'?")});
        QVERIFY(!fs::exists(pair + "toc.1"));
        QVERIFY(main->fakePrompter.informed.isEmpty());

        ui::RunCommand("menuCreateBackup", *main);
        QCOMPARE(main->fakePrompter.informed, QStringList{Box("Created backup files:\r\n'" + pair + "mbx.1'\r\n'" + pair + "toc.1'")});
        QCOMPARE(test::ReadFile(pair + "mbx.1"), box.MbxBytes());
    }

    void repairDelimitersAsksBacksUpDeletesTheTocAndRepairs() {
        const std::string runIn = ComposeMessage({"Subject: a"}, "<x-html>hi</x-html>") + ComposeMessage({"Subject: b"}, "b");
        test::WriteFile(pair + "mbx", runIn);
        main->fakePrompter.answers = {false};
        ui::RunCommand("menuFixLastTag", *main);
        QCOMPARE(main->fakePrompter.asked,
                 QStringList{Box("Status information for all messages \r\nin this mailbox will be lost. Proceed anyway ?")});
        QVERIFY(fs::exists(pair + "toc"));
        QVERIFY(!fs::exists(pair + "toc.1"));

        ui::RunCommand("menuFixLastTag", *main);
        QVERIFY(!fs::exists(pair + "toc"));
        QCOMPARE(test::ReadFile(pair + "toc.1"), box.TocBytes());
        QCOMPARE(test::ReadFile(pair + "mbx.1"), runIn);
        QCOMPARE(test::ReadFile(pair + "mbx").size(), runIn.size() + 2);
        QCOMPARE(main->statuses.last(), QString::fromUtf8(msg::kDone));

        init();
        fs::remove(pair + "mbx");
        ui::RunCommand("menuFixLastTag", *main);
        QCOMPARE(main->fakePrompter.informed, QStringList{Box(msg::kMbxNotFound)});
        QVERIFY(main->fakePrompter.asked.isEmpty());
    }

    void aCommandClickedDuringARunsPauseDoesNotStartOnTopOfIt() {
        // 100 messages: the HTML stripping pauses once, and a palette click lands there.
        MailboxBuilder big;
        for (int i = 0; i < 100; ++i) big.Add(ComposeMessage({"Subject: s"}, "<b>x</b>"));
        QVERIFY(big.Write(pair).ok());
        int pauses = 0;
        QTimer clicker;
        QObject::connect(&clicker, &QTimer::timeout, [&] {
            ++pauses;
            ui::RunCommand("menuROT13", *main);
        });
        clicker.start(10);
        ui::RunCommand("menuStripHTMLTags", *main);
        clicker.stop();
        QVERIFY(pauses > 0);
        QVERIFY(!fs::exists(pair + "mbx.2"));
        QCOMPARE(test::ReadFile(pair + "mbx").find("<b>"), std::string::npos);
        QCOMPARE(main->statuses.last(), QString::fromUtf8(msg::kDone));
    }

    void withAnEmptyTreeNoCommandDoesAnything() {
        main->empty = true;
        for (const char* name : {"menuStripHTMLTags", "menuDecodeQP", "menuROT13", "menuCipher", "menuDecipher", "menuCreateBackup", "menuFixLastTag"})
            ui::RunCommand(name, *main);
        QVERIFY(main->fakePrompter.asked.isEmpty());
        QVERIFY(main->fakePrompter.informed.isEmpty());
        QVERIFY(main->statuses.isEmpty());
        QVERIFY(!fs::exists(pair + "mbx.1") && !fs::exists(pair + "toc.1"));
    }
};

QTEST_MAIN(tst_BodyCommands)
#include "tst_BodyCommands.moc"
