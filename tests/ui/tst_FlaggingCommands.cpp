#include <QCheckBox>
#include <QPushButton>
#include <QTimer>
#include <QtTest>

#include <functional>

#include "flagging/Duplicates.h"
#include "store/MailboxBuilder.h"
#include "store/Toc.h"
#include "tests/support/TestSupport.h"
#include "tests/ui/support/FakeMainWindow.h"
#include "tests/ui/support/HoldRun.h"
#include "ui/CommandRegistry.h"
#include "ui/DuplicateOptionsDialog.h"
#include "ui/ProgressWindow.h"
#include "ui/ToolRunner.h"

using namespace ledgerly;
using namespace ledgerly::test;
using namespace ledgerly::ui;

namespace {

std::string Subject(const std::string& tocPath, std::int32_t k) {
    auto toc = TocImage::FromBytes(ReadFile(tocPath));
    const MessageSummary s = toc->ReadSummary(k);
    std::string text(s.Subject.data(), s.Subject.size());
    text = text.substr(0, text.find('\0'));
    while (!text.empty() && text.back() == ' ') text.pop_back();
    return text;
}

// Answers the options window when it opens: sets it up, then presses a button.
void AnswerOptions(QWidget& owner, const char* button, std::function<void(DuplicateOptionsDialog&)> setUp = {}) {
    QTimer::singleShot(0, &owner, [&owner, button, setUp] {
        auto* w = owner.findChild<DuplicateOptionsDialog*>();
        QVERIFY(w);
        if (setUp) setUp(*w);
        w->findChild<QPushButton*>(QString::fromUtf8(button))->click();
    });
}

bool ProgressWindowClosed(QWidget& owner) {
    for (auto* w : owner.findChildren<ProgressWindow*>())
        if (w->isVisible()) return false;
    return true;
}

}  // namespace

class FlaggingCommandsTest : public QObject {
    Q_OBJECT
    std::unique_ptr<TempDir> dir;
    std::unique_ptr<FakeMainWindow> main;
    std::string pair;

    // A command as the menu runs it, waited for to its end.
    void Run(const char* command) {
        RunCommand(command, *main);
        QVERIFY(main->waitForTool());
    }

    void Build(std::size_t n, const std::string& body = "same\r\n") {
        MailboxBuilder b;
        for (std::size_t i = 0; i < n; ++i) b.Add(ComposeMessage({"Subject: s", "From: a@b"}, body), "w", "old");
        QVERIFY(b.Write(pair).ok());
    }

private slots:
    void init() {
        dir = std::make_unique<TempDir>();
        main = std::make_unique<FakeMainWindow>();
        pair = *dir / "In.";
        main->key = pair + "mbx";
        main->tag = "3";
    }

    void everyFlaggingCommandIsRegistered() {
        for (const char* name : {"menuUpdateSR", "menuUpdatePriority", "menuUpdateAttachment", "menuUpdateDate", "menuUpdateSubject",
                                 "menuUpdateWho", "menuUpdateAll", "menuMarkAllReceived", "menuMarkAllSent",
                                 "menuMarkDuplicatesClassic", "menuMarkDuplicatesHash", "menuFlagDuplicates"})
            QVERIFY2(FindCommand(name) != nullptr, name);
    }

    void emptyTreeDoesNothing() {
        main->empty = true;
        for (const char* name : {"menuUpdateAll", "menuMarkAllSent", "menuMarkDuplicatesHash", "menuFlagDuplicates"}) Run(name);
        QVERIFY(main->fakePrompter.informed.isEmpty());
        QVERIFY(main->statuses.isEmpty());
    }

    void checksComeInEachCommandsOrder() {
        struct Case { const char* command; const char* message; };
        const Case cases[] = {
            {"menuUpdateAll", "Ledgerly|TOC-file not found."},        {"menuUpdateWho", "Ledgerly|TOC-file not found."},
            {"menuMarkAllReceived", "Ledgerly|MBX-file not found."},  {"menuMarkAllSent", "Ledgerly|TOC-file not found."},
            {"menuMarkDuplicatesClassic", "Ledgerly|TOC-file not found."}, {"menuFlagDuplicates", "Ledgerly|TOC-file not found."},
        };
        for (const Case& c : cases) {
            main->fakePrompter.informed.clear();
            Run(c.command);  // neither file exists
            QCOMPARE(main->fakePrompter.informed, QStringList{QString::fromUtf8(c.message)});
        }
        Build(1);
        main->eudoraRunning = true;
        main->fakePrompter.informed.clear();
        Run("menuMarkDuplicatesHash");
        QCOMPARE(main->fakePrompter.informed, QStringList{QStringLiteral("Ledgerly|Please close Eudora before performing this action.")});
        QVERIFY(!main->widget.findChild<DuplicateOptionsDialog*>());
    }

    void updateAsksNamingTheMailboxRunsOffTheUiThreadAndEndsReady() {
        Build(2);
        Run("menuUpdateSubject");
        QCOMPARE(Subject(pair + "toc", 2), std::string("s"));
        QCOMPARE(main->runs, 1);
        QCOMPARE(main->fakePrompter.asked.size(), 1);
        const QString question = main->fakePrompter.asked.first();
        QVERIFY2(question.contains("'In'") && question.contains("In.toc") && question.contains("no backup"), qPrintable(question));
        QCOMPARE(main->statuses.last(), QStringLiteral("Ready"));
        QVERIFY(main->statuses.contains(QStringLiteral("2")) || main->statuses.contains(QStringLiteral("1")));
    }

    void inconsistentPairIsReportedAndLeftAlone() {
        Build(2);
        std::string toc = ReadFile(pair + "toc");
        toc.resize(toc.size() - 50);
        WriteFile(pair + "toc", toc);
        Run("menuMarkAllSent");
        QCOMPARE(main->fakePrompter.informed.size(), 1);
        QCOMPARE(ReadFile(pair + "toc"), toc);
    }

    void abortedOptionsRunNothing() {
        Build(3);
        const std::string before = ReadFile(pair + "toc");
        AnswerOptions(main->widget, "abortD");
        Run("menuMarkDuplicatesClassic");
        QCOMPARE(ReadFile(pair + "toc"), before);
        QCOMPARE(main->runs, 0);
        QCOMPARE(main->statuses.last(), QStringLiteral("Ready"));
    }

    void classicSearchFlagsAndReportsWithoutIcon() {
        Build(3);
        QString caption;
        AnswerOptions(main->widget, "proceedD", [&caption](DuplicateOptionsDialog& w) { caption = w.windowTitle(); });
        Run("menuMarkDuplicatesClassic");
        QCOMPARE(caption, QStringLiteral("Flag Duplicates (Classic)"));
        QCOMPARE(Subject(pair + "toc", 1), std::string("old"));
        QCOMPARE(Subject(pair + "toc", 3), std::string(kClassicMarker));
        QCOMPARE(main->fakePrompter.informed, QStringList{QStringLiteral("Ledgerly|Search Completed. 2 duplicates found.")});
        QCOMPARE(main->runs, 1);
        QCOMPARE(main->statuses.last(), QStringLiteral("Ready"));
    }

    void resetFirstRestoresTheSubjects() {
        Build(2);
        AnswerOptions(main->widget, "proceedD");
        Run("menuMarkDuplicatesHash");
        QCOMPARE(Subject(pair + "toc", 1), std::string(kHashMarker));
        AnswerOptions(main->widget, "proceedD", [](DuplicateOptionsDialog& w) {
            w.findChild<QCheckBox*>(QStringLiteral("resetC"))->setChecked(true);
            w.findChild<QCheckBox*>(QStringLiteral("headersC"))->setChecked(true);
        });
        Run("menuMarkDuplicatesClassic");
        QCOMPARE(Subject(pair + "toc", 1), std::string("s"));
        QCOMPARE(Subject(pair + "toc", 2), std::string(kClassicMarker));
    }

    void progressWindowOpensAbove100MessagesAndCloses() {
        Build(101);
        AnswerOptions(main->widget, "proceedD");
        Run("menuMarkDuplicatesClassic");
        QVERIFY(main->statuses.contains(QStringLiteral("Search in progress...")));
        QVERIFY(!main->appState.progress.ProgressShown);
        QVERIFY(ProgressWindowClosed(main->widget));
        QCOMPARE(main->fakePrompter.informed.last(), QStringLiteral("Ledgerly|Search Completed. 100 duplicates found."));
    }

    // Stop (or closing the window) reaches the search at its next message; the
    // flags found until then are kept.
    void stopOrClosingTheProgressWindowStopsTheSearch_data() {
        QTest::addColumn<bool>("byClosing");
        QTest::newRow("Stop") << false;
        QTest::newRow("close box") << true;
    }
    void stopOrClosingTheProgressWindowStopsTheSearch() {
        QFETCH(bool, byClosing);
        Build(250);
        AnswerOptions(main->widget, "proceedD");
        // Held at its 10th count: the one before message 6 is compared.
        test::HoldRun hold(main->runner(), "UpdateProgress", 10);
        RunCommand("menuMarkDuplicatesClassic", *main);
        QVERIFY(hold.reached());
        QTRY_VERIFY(main->runner().progressWindow());  // more than 100 messages: the window shows
        ProgressWindow* w = main->runner().progressWindow();
        if (byClosing) w->close();
        else w->findChild<QPushButton*>(QStringLiteral("stopD"))->click();
        hold.release();
        QVERIFY(main->waitForTool());
        QCOMPARE(main->fakePrompter.informed.value(0), QStringLiteral("Ledgerly|Search Stopped. 4 duplicates found."));
        QCOMPARE(Subject(pair + "toc", 5), std::string(kClassicMarker));  // what was found is kept
        QCOMPARE(Subject(pair + "toc", 6), std::string("old"));
        QVERIFY(ProgressWindowClosed(main->widget));
    }

    void bonusCommandReportsNoDuplicates() {
        Build(3);
        const std::string before = ReadFile(pair + "toc");
        Run("menuFlagDuplicates");
        QVERIFY(main->statuses.contains(QStringLiteral("Search in progress...")));
        QCOMPARE(main->fakePrompter.informed, QStringList{QStringLiteral("Ledgerly|No duplicates found.")});
        QCOMPARE(ReadFile(pair + "toc"), before);
    }

    void rebuildTocAsksWithWhatItKeepsThenReports() {
        Build(2);
        std::string toc = ReadFile(pair + "toc");
        toc[SummaryOffset(1) + 12] = 2;   // replied
        toc.resize(SummaryOffset(2));     // the second summary lost
        WriteFile(pair + "toc", toc);
        main->fakePrompter.answers = {false};
        RunCommand("menuRebuildToc", *main);
        QVERIFY(main->waitForTool());  // it asks from the worker thread
        QCOMPARE(main->fakePrompter.asked.size(), 1);
        QVERIFY(main->fakePrompter.asked[0].contains("1 message keeps its summary, 1 message gets a new one"));
        QCOMPARE(ReadFile(pair + "toc"), toc);
        QVERIFY(main->fakePrompter.informed.isEmpty());

        RunCommand("menuRebuildToc", *main);
        QCOMPARE(main->runs, 2);
        QVERIFY(main->waitForTool());
        QCOMPARE(main->statuses.last(), QStringLiteral("Done. Operation was successful. Backup files created."));
        QCOMPARE(main->fakePrompter.informed.size(), 1);
        QVERIFY(main->fakePrompter.informed[0].contains("Backup: " + QString::fromStdString(pair) + "toc.1"));
        auto rebuilt = TocImage::FromBytes(ReadFile(pair + "toc"));
        QCOMPARE(rebuilt->ReadSummary(1).Status, std::int16_t{2});
        QCOMPARE(rebuilt->ReadSummary(2).Status, std::int16_t{8});  // no Received line: sent mail

        main->key = *dir / "Work.fol/";  // a folder: nothing to rebuild
        main->fakePrompter.asked.clear();
        RunCommand("menuRebuildToc", *main);
        QVERIFY(main->fakePrompter.asked.isEmpty());
    }
};

QTEST_MAIN(FlaggingCommandsTest)
#include "tst_FlaggingCommands.moc"
