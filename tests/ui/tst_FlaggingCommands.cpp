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
#include "ui/CommandRegistry.h"
#include "ui/DuplicatesWindow.h"
#include "ui/ProgressWindow.h"

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
void AnswerOptions(QWidget& owner, const char* button, std::function<void(duplikatiF&)> setUp = {}) {
    QTimer::singleShot(0, &owner, [&owner, button, setUp] {
        auto* w = owner.findChild<duplikatiF*>();
        QVERIFY(w);
        if (setUp) setUp(*w);
        w->findChild<QPushButton*>(QString::fromUtf8(button))->click();
    });
}

// Acts on the progress window at the first moment the search lets events in.
void WhenProgressShows(QWidget& owner, std::function<void(progresF&)> act) {
    auto* poll = new QTimer(&owner);
    QObject::connect(poll, &QTimer::timeout, &owner, [&owner, poll, act] {
        if (auto* w = owner.findChild<progresF*>()) {
            poll->stop();
            poll->deleteLater();
            act(*w);
        }
    });
    poll->start(1);
}

bool ProgressWindowClosed(QWidget& owner) {
    for (auto* w : owner.findChildren<progresF*>())
        if (w->isVisible()) return false;
    return true;
}

}  // namespace

class FlaggingCommandsTest : public QObject {
    Q_OBJECT
    std::unique_ptr<TempDir> dir;
    std::unique_ptr<FakeMainWindow> main;
    std::string pair;

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
        for (const char* name : {"menuUpdateAll", "menuMarkAllSent", "menuMarkDuplicatesHash", "menuFlagDuplicates"}) RunCommand(name, *main);
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
            RunCommand(c.command, *main);  // neither file exists
            QCOMPARE(main->fakePrompter.informed, QStringList{QString::fromUtf8(c.message)});
        }
        Build(1);
        main->eudoraRunning = true;
        main->fakePrompter.informed.clear();
        RunCommand("menuMarkDuplicatesHash", *main);
        QCOMPARE(main->fakePrompter.informed, QStringList{QStringLiteral("Ledgerly|Please close Eudora before performing this action.")});
        QVERIFY(!main->widget.findChild<duplikatiF*>());
    }

    void updateRunsWithTheHourglassAndEndsReady() {
        Build(2);
        RunCommand("menuUpdateSubject", *main);
        QCOMPARE(Subject(pair + "toc", 2), std::string("s"));
        QCOMPARE(main->busyCount, 1);
        QCOMPARE(main->statuses.last(), QStringLiteral("Ready"));
        QVERIFY(main->statuses.contains(QStringLiteral("2")));
    }

    void inconsistentPairIsReportedAndLeftAlone() {
        Build(2);
        std::string toc = ReadFile(pair + "toc");
        toc.resize(toc.size() - 50);
        WriteFile(pair + "toc", toc);
        RunCommand("menuMarkAllSent", *main);
        QCOMPARE(main->fakePrompter.informed.size(), 1);
        QCOMPARE(ReadFile(pair + "toc"), toc);
    }

    void abortedOptionsRunNothing() {
        Build(3);
        const std::string before = ReadFile(pair + "toc");
        AnswerOptions(main->widget, "abortD");
        RunCommand("menuMarkDuplicatesClassic", *main);
        QCOMPARE(ReadFile(pair + "toc"), before);
        QCOMPARE(main->locks, 0);
        QCOMPARE(main->statuses.last(), QStringLiteral("Ready"));
    }

    void classicSearchFlagsAndReportsWithoutIcon() {
        Build(3);
        QString caption;
        AnswerOptions(main->widget, "proceedD", [&caption](duplikatiF& w) { caption = w.windowTitle(); });
        RunCommand("menuMarkDuplicatesClassic", *main);
        QCOMPARE(caption, QStringLiteral("Flag Duplicates (Classic)"));
        QCOMPARE(Subject(pair + "toc", 1), std::string("old"));
        QCOMPARE(Subject(pair + "toc", 3), std::string(kClassicMarker));
        QCOMPARE(main->fakePrompter.informed, QStringList{QStringLiteral("Ledgerly|Search Completed. 2 duplicates found.")});
        QCOMPARE(main->locks, 1);
        QCOMPARE(main->unlocks, 1);
        // The palettes went to the folder state with the menus: a palette button
        // pressed during a pause must not rewrite the pair under the search.
        QCOMPARE(main->folderStateLocks, 1);
        QCOMPARE(main->statuses.last(), QStringLiteral("Ready"));
    }

    void resetFirstRestoresTheSubjects() {
        Build(2);
        AnswerOptions(main->widget, "proceedD");
        RunCommand("menuMarkDuplicatesHash", *main);
        QCOMPARE(Subject(pair + "toc", 1), std::string(kHashMarker));
        AnswerOptions(main->widget, "proceedD", [](duplikatiF& w) {
            w.findChild<QCheckBox*>(QStringLiteral("resetC"))->setChecked(true);
            w.findChild<QCheckBox*>(QStringLiteral("headersC"))->setChecked(true);
        });
        RunCommand("menuMarkDuplicatesClassic", *main);
        QCOMPARE(Subject(pair + "toc", 1), std::string("s"));
        QCOMPARE(Subject(pair + "toc", 2), std::string(kClassicMarker));
    }

    void progressWindowOpensAbove100MessagesAndCloses() {
        Build(101);
        AnswerOptions(main->widget, "proceedD");
        RunCommand("menuMarkDuplicatesClassic", *main);
        QVERIFY(main->statuses.contains(QStringLiteral("Search in progress...")));
        QVERIFY(main->widget.findChild<progresF*>());
        QVERIFY(!main->appState.progress.ProgressShown);
        QVERIFY(ProgressWindowClosed(main->widget));
        QCOMPARE(main->fakePrompter.informed.last(), QStringLiteral("Ledgerly|Search Completed. 100 duplicates found."));
    }

    void stopButtonStopsTheSearch() {
        Build(250);
        AnswerOptions(main->widget, "proceedD");
        WhenProgressShows(main->widget, [](progresF& w) { w.findChild<QPushButton*>(QStringLiteral("stopD"))->click(); });
        RunCommand("menuMarkDuplicatesClassic", *main);
        // The first pause comes after message 51: messages 2 to 51 are flagged.
        QCOMPARE(main->fakePrompter.informed.last(), QStringLiteral("Ledgerly|Search Stopped. 50 duplicates found."));
        QCOMPARE(Subject(pair + "toc", 51), std::string(kClassicMarker));
        QCOMPARE(Subject(pair + "toc", 52), std::string("old"));
        QVERIFY(ProgressWindowClosed(main->widget));
    }

    void closingTheProgressWindowLetsTheSearchFinish() {
        Build(250);
        AnswerOptions(main->widget, "proceedD");
        WhenProgressShows(main->widget, [](progresF& w) { w.close(); });
        RunCommand("menuMarkDuplicatesClassic", *main);
        QVERIFY(!main->appState.progress.StopSearch);
        QVERIFY(main->statuses.contains(QStringLiteral("249")));  // the count went to the status bar
        QCOMPARE(main->fakePrompter.informed.last(), QStringLiteral("Ledgerly|Search Completed. 249 duplicates found."));
    }

    void bonusCommandReportsNoDuplicates() {
        Build(3);
        const std::string before = ReadFile(pair + "toc");
        RunCommand("menuFlagDuplicates", *main);
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
        QCOMPARE(main->fakePrompter.asked.size(), 1);
        QVERIFY(main->fakePrompter.asked[0].contains("1 message keeps its summary, 1 message gets a new one"));
        QCOMPARE(ReadFile(pair + "toc"), toc);
        QVERIFY(main->fakePrompter.informed.isEmpty());

        RunCommand("menuRebuildToc", *main);
        QCOMPARE(main->statuses.last(), QStringLiteral("Done. Operation was successful. Backup files created."));
        QCOMPARE(main->fakePrompter.informed.size(), 1);
        QVERIFY(main->fakePrompter.informed[0].contains("Backup: " + QString::fromStdString(pair) + "toc.1"));
        QCOMPARE(main->locks, main->unlocks);
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
