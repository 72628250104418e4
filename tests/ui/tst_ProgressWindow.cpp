#include <QLabel>
#include <QProgressBar>
#include <QPushButton>
#include <QSignalSpy>
#include <QtTest>

#include <climits>

#include "support/FakeMainWindow.h"
#include "ui/ProgressWindow.h"
#include "ui/ToolRunner.h"

using namespace ledgerly;
using namespace ledgerly::ui;

class ProgressWindowTest : public QObject {
    Q_OBJECT
private slots:
    void percentageRule() {
        struct Case { std::int32_t value, max; int percent; };
        const Case cases[] = {
            {1, 100, 1},    {99, 100, 99},  {100, 101, 100}, {100, 100, 99}, {250, 100, 99},
            {0, 100, 0},    {5, 0, 0},      {5, -3, 0},      {-5, 100, 0},   {1, INT_MAX, 1},
            {INT_MAX - 1, INT_MAX, 100},    {50, 200, 25},
        };
        for (const Case& c : cases) QCOMPARE(ProgressPercent(c.value, c.max), c.percent);
    }

    void countSaysWhatItCounts() {
        QCOMPARE(CountText(12000, 32767, "messages"), QStringLiteral("12,000 / 32,767 messages"));
        QCOMPARE(CountText(7, 0, "files"), QStringLiteral("7 files"));
        QCOMPARE(CountText(0, 3, {}), QStringLiteral("0 / 3"));
    }

    void opensWithItsControls() {
        QWidget owner;
        auto* w = new ProgressWindow(&owner);
        QCOMPARE(w->objectName(), QStringLiteral("progresF"));
        QCOMPARE(w->windowTitle(), QStringLiteral("Progress"));
        QVERIFY(w->findChild<QProgressBar*>(QStringLiteral("ProgressBarP")));
        QCOMPARE(w->findChild<QLabel*>(QStringLiteral("informacijeL"))->text(), QStringLiteral("Search in progress..."));
        auto* stop = w->findChild<QPushButton*>(QStringLiteral("stopD"));
        QCOMPARE(stop->text(), QStringLiteral("&Stop"));
        QCOMPARE(stop->toolTip(), QStringLiteral(" Press Stop button to stop the search. "));
        QVERIFY(!w->isModal());
        delete w;
    }

    void theBarFollowsTheSearchAndTheCount() {
        QWidget owner;
        QPointer<ProgressWindow> w = new ProgressWindow(&owner);
        w->show();
        w->setSearchProgress(50, 200, "7");
        QCOMPARE(w->percent(), 25);
        QCOMPARE(w->bar()->property("tag").toInt(), 25);
        QCOMPARE(w->findChild<QLabel*>(QStringLiteral("informacijeL"))->text(), QStringLiteral("7"));
        w->setCount(32766, 32767, "messages");
        QCOMPARE(w->percent(), 100);
        QCOMPARE(w->findChild<QLabel*>(QStringLiteral("countL"))->text(), QStringLiteral("32,766 / 32,767 messages"));
        w->setStatusText("12");  // a count is showing: the status text does not replace it
        QCOMPARE(w->findChild<QLabel*>(QStringLiteral("countL"))->text(), QStringLiteral("32,766 / 32,767 messages"));
        QSignalSpy stops(w.data(), &ProgressWindow::stopRequested);
        w->setSearchProgress(200, 200, "9");  // the search reached its total: the window goes, no Stop
        QTRY_VERIFY(w.isNull());
        QCOMPARE(stops.count(), 0);
    }

    // Stop and the close box both ask the run to stop, once; the window ends a run's use of it without.
    void stopAndClosingAskTheRunToStop_data() {
        QTest::addColumn<int>("how");
        QTest::newRow("Stop") << 0;
        QTest::newRow("close box") << 1;
        QTest::newRow("Esc") << 2;
        QTest::newRow("the run ends") << 3;
    }
    void stopAndClosingAskTheRunToStop() {
        QFETCH(int, how);
        QWidget owner;
        QPointer<ProgressWindow> w = new ProgressWindow(&owner);
        QSignalSpy stops(w.data(), &ProgressWindow::stopRequested);
        w->show();
        switch (how) {
            case 0:
                w->findChild<QPushButton*>(QStringLiteral("stopD"))->click();
                w->findChild<QPushButton*>(QStringLiteral("stopD"))->click();
                QVERIFY(w->isVisible());  // the run closes it when it has stopped
                QVERIFY(!w->findChild<QPushButton*>(QStringLiteral("stopD"))->isEnabled());
                w->close();
                break;
            case 1: w->close(); break;
            case 2: QTest::keyClick(w.data(), Qt::Key_Escape); break;
            case 3: w->finish(); break;
        }
        QTRY_VERIFY(w.isNull());
        QCOMPARE(stops.count(), how == 3 ? 0 : 1);
    }

    // A tool reports far more often than the window is updated; what it said
    // last still shows when it ends.
    void theLastStatusShowsWhenTheRunEnds() {
        test::FakeMainWindow main;
        ToolJob job;
        job.work = [](ToolContext& c) {
            for (int i = 1; i <= 20000; ++i) {
                c.host.Status(std::to_string(i));
                c.host.Progress("Messages", i, 20000, "messages");
            }
        };
        QVERIFY(main.runner().start(std::move(job)));
        QVERIFY(main.waitForTool());
        QVERIFY(!main.statuses.isEmpty());
        QCOMPARE(main.statuses.last(), QStringLiteral("20000"));
        QVERIFY2(main.statuses.size() < 2000, qPrintable(QString::number(main.statuses.size())));  // not one per call
    }
};

QTEST_MAIN(ProgressWindowTest)
#include "tst_ProgressWindow.moc"
