#include <QCheckBox>
#include <QComboBox>
#include <QGroupBox>
#include <QLabel>
#include <QPushButton>
#include <QtTest>

#include "ui/DuplicateOptionsDialog.h"

using namespace ledgerly;
using namespace ledgerly::ui;

class DuplicatesWindowTest : public QObject {
    Q_OBJECT
    template <class T>
    static T* Find(QWidget& w, const char* name) {
        T* child = w.findChild<T*>(QString::fromUtf8(name));
        if (!child) qFatal("missing %s", name);
        return child;
    }
private slots:
    void opensWithTheDefaults() {
        DuplicateOptionsDialog w;
        QCOMPARE(w.windowTitle(), QStringLiteral("Flag Duplicates"));
        QCOMPARE(Find<QGroupBox>(w, "ExcludeFrame")->title(), QStringLiteral("Exclude from Checking"));
        struct Box { const char* name; const char* text; bool checked; };
        for (const Box& b : {Box{"delimitersC", "Message &Delimiters", true}, Box{"headersC", "Message &Headers", false},
                             Box{"bodiesC", "Message &Bodies", false}, Box{"resetC", "&Reset the Old Flags", false}}) {
            QCOMPARE(Find<QCheckBox>(w, b.name)->text(), QString::fromUtf8(b.text));
            QCOMPARE(Find<QCheckBox>(w, b.name)->isChecked(), b.checked);
        }
        QCOMPARE(Find<QLabel>(w, "cpuL")->text(), QStringLiteral("&CPU-Time Consumption:"));
        auto* cpu = Find<QComboBox>(w, "cpuC");
        QCOMPARE(cpu->count(), 3);
        QCOMPARE(cpu->itemText(0), QStringLiteral("Hyper"));
        QCOMPARE(cpu->itemText(2), QStringLiteral("Relax to the Max"));
        QCOMPARE(cpu->currentText(), QStringLiteral("Standard"));
        QCOMPARE(Find<QPushButton>(w, "proceedD")->text(), QStringLiteral("&Proceed"));
        QCOMPARE(Find<QPushButton>(w, "abortD")->text(), QStringLiteral("&Abort"));
        QVERIFY(!w.Proceed);
        QCOMPARE(w.CpuLevel, std::int16_t{2});
    }

    void headersAndBodiesExcludeEachOther() {
        DuplicateOptionsDialog w;
        auto* headers = Find<QCheckBox>(w, "headersC");
        auto* bodies = Find<QCheckBox>(w, "bodiesC");
        headers->setChecked(true);
        bodies->setChecked(true);
        QVERIFY(!headers->isChecked());
        headers->setChecked(true);
        QVERIFY(!bodies->isChecked());
        bodies->setChecked(false);
        QVERIFY(headers->isChecked());  // clearing one leaves the other alone
    }

    void proceedTakesTheChoices() {
        struct Case { int cpuIndex; bool delimiters, headers, reset; };
        for (const Case& c : {Case{0, false, true, true}, Case{2, true, false, false}}) {
            DuplicateOptionsDialog w;
            Find<QComboBox>(w, "cpuC")->setCurrentIndex(c.cpuIndex);
            Find<QCheckBox>(w, "delimitersC")->setChecked(c.delimiters);
            Find<QCheckBox>(w, "headersC")->setChecked(c.headers);
            Find<QCheckBox>(w, "resetC")->setChecked(c.reset);
            Find<QPushButton>(w, "proceedD")->click();
            QVERIFY(w.Proceed);
            QCOMPARE(w.CpuLevel, static_cast<std::int16_t>(c.cpuIndex + 1));
            QCOMPARE(w.ExcludeDelimiters, c.delimiters);
            QCOMPARE(w.ExcludeHeaders, c.headers);
            QCOMPARE(w.ResetOldFlags, c.reset);
            QCOMPARE(w.result(), int(QDialog::Accepted));
            QCOMPARE(w.options().CpuLevel, c.cpuIndex + 1);
        }
    }

    void abortLeavesTheDefaults() {
        DuplicateOptionsDialog w;
        Find<QCheckBox>(w, "headersC")->setChecked(true);
        Find<QPushButton>(w, "abortD")->click();
        QVERIFY(!w.Proceed);
        QVERIFY(!w.ExcludeHeaders);
        QCOMPARE(w.result(), int(QDialog::Rejected));
    }
};

QTEST_MAIN(DuplicatesWindowTest)
#include "tst_DuplicateOptionsDialog.moc"
