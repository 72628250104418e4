#include <QLabel>
#include <QPushButton>
#include <QTimer>
#include <QtTest>

#include <climits>

#include "ui/ProgressWindow.h"

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

    void loadsWithItsControlsAndAFreshStopFlag() {
        AppState state;
        state.progress.StopSearch = true;
        QWidget owner;
        auto* w = new ProgressWindow(state, &owner);
        QCOMPARE(w->windowTitle(), QStringLiteral("Progress"));
        QVERIFY(!state.progress.StopSearch);
        QVERIFY(w->findChild<QWidget*>(QStringLiteral("ProgressBarP")));
        QCOMPARE(w->findChild<QLabel*>(QStringLiteral("informacijeL"))->text(), QStringLiteral("Search in progress..."));
        auto* stop = w->findChild<QPushButton*>(QStringLiteral("stopD"));
        QCOMPARE(stop->text(), QStringLiteral("&Stop"));
        QCOMPARE(stop->toolTip(), QStringLiteral(" Press Stop button to stop the search. "));
        auto* timer = w->findChild<QTimer*>(QStringLiteral("Timer"));
        QCOMPARE(timer->interval(), 5);
        QVERIFY(timer->isActive());
        QVERIFY(!w->isModal());
        delete w;
    }

    void stopSetsTheFlagAndTheWindowStays() {
        AppState state;
        QWidget owner;
        auto* w = new ProgressWindow(state, &owner);
        state.progress.ProgressShown = true;
        state.progress.ProgressMax = 100;
        state.progress.ProgressValue = 1;
        w->show();
        w->findChild<QPushButton*>(QStringLiteral("stopD"))->click();
        QVERIFY(state.progress.StopSearch);
        QTest::qWait(20);
        QVERIFY(w->isVisible());
        QVERIFY(state.progress.ProgressShown);
        w->close();
    }

    void timerDrawsTheBarAndClosesAtTheTotal() {
        AppState state;
        QWidget owner;
        QPointer<ProgressWindow> w = new ProgressWindow(state, &owner);
        state.progress.ProgressShown = true;
        state.progress.ProgressMax = 200;
        state.progress.ProgressValue = 50;
        w->show();
        QTRY_COMPARE(w->bar()->percent(), 25);
        QCOMPARE(w->bar()->property("tag").toInt(), 25);
        state.progress.ProgressValue = 200;
        QTRY_VERIFY(w.isNull() || !w->isVisible());  // closed (and released)
        QVERIFY(!state.progress.ProgressShown);
    }

    void closingByTheUserDoesNotStopTheSearch() {
        AppState state;
        QWidget owner;
        QPointer<ProgressWindow> w = new ProgressWindow(state, &owner);
        state.progress.ProgressShown = true;
        state.progress.ProgressMax = 100;
        state.progress.ProgressValue = 3;
        w->show();
        w->close();
        QVERIFY(!state.progress.ProgressShown);
        QVERIFY(!state.progress.StopSearch);
        QTRY_VERIFY(w.isNull());
    }

    void showsTheSearchsRunningText() {
        AppState state;
        QWidget owner;
        ProgressWindow w(state, &owner);
        state.progress.Info = "7";
        w.refreshInfo();
        QCOMPARE(w.findChild<QLabel*>(QStringLiteral("informacijeL"))->text(), QStringLiteral("7"));
        w.setAttribute(Qt::WA_DeleteOnClose, false);
    }
};

QTEST_MAIN(ProgressWindowTest)
#include "tst_ProgressWindow.moc"
