#include <QComboBox>
#include <QLabel>
#include <QLineEdit>
#include <QPlainTextEdit>
#include <QProgressBar>
#include <QPushButton>
#include <QRadioButton>
#include <QtTest>
#include <filesystem>

#include "app/IniFile.h"
#include "store/SampleStore.h"
#include "tests/support/TestSupport.h"
#include "tests/ui/support/FakeMainWindow.h"
#include "ui/CommandRegistry.h"
#include "ui/ExportMailDialog.h"

using namespace ledgerly;
namespace fs = std::filesystem;

namespace {

QString Q(const std::string& s) { return QString::fromStdString(s); }

// The sample store with the In mailbox selected, or one large generated mailbox.
struct Store {
    test::TempDir dir;
    std::string data = dir / "data/";
    std::string out = dir / "out";
    test::FakeMainWindow main;
    explicit Store(int largeMessages = 0) {
        if (largeMessages) {
            fs::create_directories(data);
            if (!WriteGeneratedMailbox(data + "Large.", largeMessages, 1).ok()) qFatal("cannot write the mailbox");
            main.key = data + "Large.mbx";
        } else {
            if (!WriteSampleStore(data).ok()) qFatal("cannot write the sample store");
            main.key = data + "In.mbx";
        }
        main.appState.paths.DataFolder = data;
        main.appState.paths.IniPath = dir / "Ledgerly.ini";
    }
    ui::ExportMailDialog* Open() {
        if (!ui::RunCommand("menuExportOutlook", main)) qFatal("no command");
        return ui::ExportMailDialog::Current(main);
    }
};

template <class T>
T* Child(QWidget* w, const char* name) {
    T* c = w->findChild<T*>(QString::fromLatin1(name));
    if (!c) qFatal("no child %s", name);
    return c;
}

void Start(ui::ExportMailDialog* w, const std::string& folder, int format, const char* scope) {
    Child<QComboBox>(w, "formatC")->setCurrentIndex(format);
    Child<QLineEdit>(w, "folderT")->setText(Q(folder));
    Child<QRadioButton>(w, scope)->setChecked(true);
    QTest::mouseClick(Child<QPushButton>(w, "proceedD"), Qt::LeftButton);
}

}  // namespace

class tst_ExportMailDialog : public QObject {
    Q_OBJECT
private slots:
    void opensForTheSelectedMailboxWithNothingToDoYet() {
        Store s;
        ui::ExportMailDialog* w = s.Open();
        QVERIFY(w);
        QCOMPARE(w->objectName(), QStringLiteral("ExportMailDialog"));
        QVERIFY(w->isVisible());
        QVERIFY(Child<QRadioButton>(w, "mailboxO")->isChecked());
        QCOMPARE(Child<QRadioButton>(w, "mailboxO")->text(), QStringLiteral("The &selected mailbox: In"));
        QVERIFY(Child<QRadioButton>(w, "wholeTreeO")->isEnabled());
        QCOMPARE(Child<QComboBox>(w, "formatC")->count(), 3);
        QVERIFY(!Child<QPushButton>(w, "proceedD")->isEnabled());  // no folder yet
        QVERIFY(!Child<QPushButton>(w, "stopD")->isEnabled());
        s.main.fakePrompter.folders = {Q(s.out)};
        QTest::mouseClick(Child<QPushButton>(w, "browseD"), Qt::LeftButton);
        QCOMPARE(Child<QLineEdit>(w, "folderT")->text(), Q(s.out));
        QVERIFY(Child<QPushButton>(w, "proceedD")->isEnabled());
        QCOMPARE(ui::ExportMailDialog::Open(s.main), w);  // one window at a time
        w->close();
    }

    // Off the window's thread: the window answers while the export runs, and
    // shows the report at the end.
    void exportsTheTreeOrTheMailboxAndShowsTheReport() {
        struct Case { int format; const char* scope; const char* written; };
        for (const Case c : {Case{0, "mailboxO", "In"}, Case{1, "wholeTreeO", "Work/Projects/cur"}, Case{2, "wholeTreeO", "Friends/0005 The album.eml"}}) {
            Store s;
            ui::ExportMailDialog* w = s.Open();
            Start(w, s.out, c.format, c.scope);
            QTRY_VERIFY_WITH_TIMEOUT(!w->running(), 60000);
            QVERIFY2(fs::exists(s.out + "/" + c.written), c.written);
            QVERIFY(w->reportText().contains(QStringLiteral("files missing: 3")));  // In's planted ones
            QVERIFY(w->reportText().contains(QStringLiteral("Not everything could be exported")));
            QVERIFY(Child<QLabel>(w, "statusL")->text().startsWith(QStringLiteral("Not everything")));
            QCOMPARE(s.main.statuses.last(), Child<QLabel>(w, "statusL")->text());
            QCOMPARE(Child<QProgressBar>(w, "ProgressBarP")->value(), Child<QProgressBar>(w, "ProgressBarP")->maximum());
            QCOMPARE(Q(ReadIni("Settings", "MailExportDir", "", s.main.appState.paths.IniPath)), Q(s.out));
            w->close();
        }
    }

    void stopLeavesTheMailboxOutAndClosingWaitsForIt() {
        Store s(3000);
        ui::ExportMailDialog* w = s.Open();
        Start(w, s.out, 0, "mailboxO");
        QVERIFY(w->running());
        QVERIFY(s.main.runner().running());  // the main window's runner: the tree and the tools wait for it
        QVERIFY(Child<QPushButton>(w, "stopD")->isEnabled());
        QVERIFY(!Child<QPushButton>(w, "proceedD")->isEnabled());
        QTest::mouseClick(Child<QPushButton>(w, "stopD"), Qt::LeftButton);
        QTRY_VERIFY_WITH_TIMEOUT(!w->running(), 60000);
        QVERIFY(w->reportText().contains(QStringLiteral("not written: the export was stopped")));
        QVERIFY(!fs::exists(s.out + "/Large"));
        for (const auto& e : fs::directory_iterator(s.out)) QCOMPARE(Q(e.path().filename().string()), QStringLiteral("export-report.txt"));

        // Closing during a run stops it first.
        fs::remove_all(s.out);
        QPointer<ui::ExportMailDialog> again = s.Open();
        Start(again, s.out, 0, "mailboxO");
        again->close();
        QVERIFY(again && again->isVisible());
        QTRY_VERIFY_WITH_TIMEOUT(!again || !again->isVisible(), 60000);
        QVERIFY(!fs::exists(s.out + "/Large"));
    }

    void aDestinationThatIsTakenIsRefusedWithItsReason() {
        Store s;
        fs::create_directories(s.out);
        test::WriteFile(s.out + "/In", "mine");
        ui::ExportMailDialog* w = s.Open();
        Start(w, s.out, 0, "mailboxO");
        QTRY_VERIFY_WITH_TIMEOUT(!w->running(), 60000);
        QCOMPARE(s.main.fakePrompter.informed.size(), 1);
        QVERIFY(s.main.fakePrompter.informed.first().contains(QStringLiteral("is there already: nothing was written")));
        QCOMPARE(Q(test::ReadFile(s.out + "/In")), QStringLiteral("mine"));
        w->close();
    }
};

QTEST_MAIN(tst_ExportMailDialog)
#include "tst_ExportMailDialog.moc"
