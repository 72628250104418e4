#include <QCheckBox>
#include <QComboBox>
#include <QGroupBox>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QPushButton>
#include <QTimer>
#include <QtTest>
#include <filesystem>

#include "app/IniFile.h"
#include "store/MailboxBuilder.h"
#include "tests/support/TestSupport.h"
#include "tests/ui/support/FakeMainWindow.h"
#include "tests/ui/support/HoldRun.h"
#include "ui/CommandRegistry.h"
#include "ui/ExportFilesDialog.h"
#include "ui/ToolRunner.h"

using namespace ledgerly;
namespace fs = std::filesystem;

namespace {

QString Q(const std::string& s) { return QString::fromStdString(s); }

struct Store {
    test::TempDir dir;
    std::string mbx = dir / "Work.mbx";
    std::string out = dir / "out";
    std::string ini = dir / "Ledgerly.ini";
    explicit Store(int messages = 2) {
        fs::create_directory(out);
        MailboxBuilder b;
        for (int i = 1; i <= messages; ++i)
            b.Add(ComposeMessage({"Subject: Note " + std::to_string(i)}, "<i>text</i>\r\n"), "Ann", "Note " + std::to_string(i), "d");
        if (!b.Write(dir / "Work.").ok()) qFatal("cannot write the mailbox");
    }
    void Select(test::FakeMainWindow& main) {
        main.key = mbx;
        main.appState.paths.IniPath = ini;
    }
};

template <class T>
T* Child(QWidget* w, const char* name) {
    T* c = w->findChild<T*>(QString::fromLatin1(name));
    if (!c) qFatal("no child %s", name);
    return c;
}

}  // namespace

class ExportFilesDialogTest : public QObject {
    Q_OBJECT
private slots:
    void controlsCaptionsAndFirstState();
    void savedFolderIsShownAndListed();
    void openingAgainRetargetsTheOneWindow();
    void browseAndExtensionRuleTheProceedButton();
    void proceedExportsRemembersFolderAndCloses();
    void proceedWithoutFolderDoesNothing();
    void clicksDuringTheExportNeitherRunItAgainNorCloseTheWindow();
    void menuRefusesMissingToc();
    void digestWritesPageAndStatus();
    void digestCancelledOrMissingWritesNothing();
};

void ExportFilesDialogTest::controlsCaptionsAndFirstState() {
    Store s;
    test::FakeMainWindow main;
    s.Select(main);
    QVERIFY(ui::RunCommand("menuExportFiles", main));
    ui::ExportFilesDialog* w = ui::ExportFilesDialog::Current(main);
    QVERIFY(w);
    QCOMPARE(w->objectName(), QStringLiteral("izvozF"));
    QCOMPARE(w->windowTitle(), QStringLiteral("Export Messages from Mailbox 'Work' to Files"));
    QVERIFY(!w->isModal());
    QCOMPARE(w->mailboxPath(), s.mbx);
    QCOMPARE(w->tocPath(), s.dir / "Work.toc");
    QCOMPARE(Child<QGroupBox>(w, "ExportFrame")->title(), QStringLiteral("Destination Folder"));
    QCOMPARE(Child<QPushButton>(w, "browseD")->text(), QStringLiteral("&..."));
    QCOMPARE(Child<QCheckBox>(w, "htmlC")->text(), QStringLiteral("Preserve &HTML Formatting"));
    QVERIFY(!Child<QCheckBox>(w, "htmlC")->isChecked());
    QCOMPARE(Child<QLabel>(w, "headersL")->text(), QStringLiteral("Save &Headers"));
    QCOMPARE(Child<QLabel>(w, "extensionL")->text(), QStringLiteral("File &Extension"));
    auto* headers = Child<QComboBox>(w, "headersC");
    QVERIFY(!headers->isEditable());
    QCOMPARE(headers->count(), 3);
    QCOMPARE(headers->currentText(), QStringLiteral("All"));
    auto* ext = Child<QComboBox>(w, "extensionC");
    QVERIFY(ext->isEditable());
    QCOMPARE(QStringList({ext->itemText(0), ext->itemText(1), ext->itemText(2)}), QStringList({"txt", "eml", "html"}));
    QCOMPARE(ext->currentText(), QStringLiteral("txt"));
    QCOMPARE(Child<QPushButton>(w, "proceedD")->text(), QStringLiteral("&Proceed"));
    QCOMPARE(Child<QPushButton>(w, "abortD")->text(), QStringLiteral("&Abort"));
    // No saved folder: nothing to export to yet.
    QVERIFY(Child<QLineEdit>(w, "folderT")->text().isEmpty());
    QVERIFY(!Child<QPushButton>(w, "proceedD")->isEnabled());
    Child<QPushButton>(w, "abortD")->click();
    QVERIFY(!ui::ExportFilesDialog::Current(main));
    QVERIFY(fs::is_empty(s.out));
}

void ExportFilesDialogTest::savedFolderIsShownAndListed() {
    Store s;
    test::WriteFile(s.out + "/b.txt", "x");
    test::WriteFile(s.out + "/a.txt", "x");
    fs::create_directory(s.out + "/sub");
    test::FakeMainWindow main;
    s.Select(main);
    WriteIni("Settings", "ExportDir", s.out, s.ini);
    ui::ExportFilesDialog* w = ui::ExportFilesDialog::Open(main, s.mbx);
    QCOMPARE(Child<QLineEdit>(w, "folderT")->text(), Q(s.out));
    auto* list = Child<QListWidget>(w, "FLB");
    QCOMPARE(list->count(), 2);
    QCOMPARE(list->item(0)->text(), QStringLiteral("a.txt"));
    QVERIFY(Child<QPushButton>(w, "proceedD")->isEnabled());
    w->close();

    // A saved folder that has gone is not offered.
    WriteIni("Settings", "ExportDir", s.dir / "gone", s.ini);
    w = ui::ExportFilesDialog::Open(main, s.mbx);
    QVERIFY(Child<QLineEdit>(w, "folderT")->text().isEmpty());
    QVERIFY(!Child<QPushButton>(w, "proceedD")->isEnabled());
    w->close();
}

void ExportFilesDialogTest::openingAgainRetargetsTheOneWindow() {
    Store s;
    test::FakeMainWindow main;
    s.Select(main);
    ui::ExportFilesDialog* first = ui::ExportFilesDialog::Open(main, s.mbx);
    main.key = s.dir / "Other.mbx";
    QVERIFY(MailboxBuilder().Write(s.dir / "Other.").ok());
    QVERIFY(ui::RunCommand("menuExportFiles", main));
    QCOMPARE(ui::ExportFilesDialog::Current(main), first);
    QCOMPARE(main.widget.findChildren<ui::ExportFilesDialog*>().size(), 1);
    QCOMPARE(first->mailboxPath(), s.dir / "Other.mbx");
    QCOMPARE(first->windowTitle(), QStringLiteral("Export Messages from Mailbox 'Other' to Files"));
    first->close();
}

void ExportFilesDialogTest::browseAndExtensionRuleTheProceedButton() {
    Store s;
    test::FakeMainWindow main;
    s.Select(main);
    ui::ExportFilesDialog* w = ui::ExportFilesDialog::Open(main, s.mbx);
    auto* proceed = Child<QPushButton>(w, "proceedD");
    auto* folder = Child<QLineEdit>(w, "folderT");
    main.fakePrompter.folders = {QString()};  // cancelled
    Child<QPushButton>(w, "browseD")->click();
    QVERIFY(folder->text().isEmpty());
    QVERIFY(!proceed->isEnabled());

    test::WriteFile(s.out + "/old.txt", "x");
    main.fakePrompter.folders = {Q(s.out)};
    Child<QPushButton>(w, "browseD")->click();
    QCOMPARE(folder->text(), Q(s.out));
    QCOMPARE(w->exportFolder(), s.out);
    QCOMPARE(Child<QListWidget>(w, "FLB")->count(), 1);
    QVERIFY(proceed->isEnabled());

    auto* ext = Child<QComboBox>(w, "extensionC");
    ext->setEditText(QString());
    QVERIFY(!proceed->isEnabled());
    ext->setEditText(QStringLiteral(".TXT "));
    QVERIFY(proceed->isEnabled());
    ext->setCurrentIndex(2);
    QVERIFY(proceed->isEnabled());
    w->close();
}

void ExportFilesDialogTest::proceedExportsRemembersFolderAndCloses() {
    Store s;
    test::FakeMainWindow main;
    s.Select(main);
    ui::ExportFilesDialog* w = ui::ExportFilesDialog::Open(main, s.mbx);
    Child<QLineEdit>(w, "folderT")->setText(Q(s.out));  // typed, not chosen
    Child<QComboBox>(w, "headersC")->setCurrentIndex(1);
    Child<QComboBox>(w, "extensionC")->setEditText(QStringLiteral(".Eml "));
    Child<QCheckBox>(w, "htmlC")->setChecked(true);
    Child<QPushButton>(w, "proceedD")->setEnabled(true);
    Child<QPushButton>(w, "proceedD")->click();
    QVERIFY(main.waitForTool());

    QVERIFY(!ui::ExportFilesDialog::Current(main));
    QCOMPARE(test::ReadFile(s.out + "/01-Note1.Eml"), std::string("Who: Ann\r\nSubject: Note 1\r\nSent: d\r\n\r\n\r\n<i>text</i>\r\n\r\n"));
    QVERIFY(fs::exists(s.out + "/02-Note2.Eml"));
    QCOMPARE(main.statuses.last(), QStringLiteral("2 messages exported."));
    QCOMPARE(ReadIni("Settings", "ExportDir", "", s.ini), s.out);
    QVERIFY(main.fakePrompter.informed.isEmpty());
}

// The export runs with the window live but disabled: a second Proceed used to
// append every message twice, and Abort released the window under the run.
void ExportFilesDialogTest::clicksDuringTheExportNeitherRunItAgainNorCloseTheWindow() {
    Store s(100);
    test::FakeMainWindow main;
    s.Select(main);
    ui::ExportFilesDialog* w = ui::ExportFilesDialog::Open(main, s.mbx);
    Child<QLineEdit>(w, "folderT")->setText(Q(s.out));
    Child<QComboBox>(w, "headersC")->setCurrentIndex(2);
    Child<QPushButton>(w, "proceedD")->setEnabled(true);
    test::HoldRun hold(main.runner());
    Child<QPushButton>(w, "proceedD")->click();
    QVERIFY(hold.reached());
    QVERIFY(!w->isEnabled());
    Child<QPushButton>(w, "proceedD")->click();
    Child<QPushButton>(w, "abortD")->click();
    w->close();
    QCOMPARE(ui::ExportFilesDialog::Current(main), w);
    hold.release();
    QVERIFY(main.waitForTool());
    QCOMPARE(test::ReadFile(s.out + "/01-Note1.txt"), std::string("\r\n\r\ntext\r\n\r\n"));
    QCOMPARE(main.statuses.last(), QStringLiteral("100 messages exported."));
    QVERIFY(!ui::ExportFilesDialog::Current(main));
}

void ExportFilesDialogTest::proceedWithoutFolderDoesNothing() {
    Store s;
    test::FakeMainWindow main;
    s.Select(main);
    ui::ExportFilesDialog* w = ui::ExportFilesDialog::Open(main, s.mbx);
    Child<QLineEdit>(w, "folderT")->setText(Q(s.dir / "nowhere"));
    Child<QPushButton>(w, "proceedD")->setEnabled(true);
    Child<QPushButton>(w, "proceedD")->click();
    QCOMPARE(ui::ExportFilesDialog::Current(main), w);
    QVERIFY(main.statuses.isEmpty());
    QVERIFY(main.fakePrompter.informed.isEmpty());
    QCOMPARE(ReadIni("Settings", "ExportDir", "", s.ini), std::string());
    w->close();
}

void ExportFilesDialogTest::menuRefusesMissingToc() {
    Store s;
    test::FakeMainWindow main;
    s.Select(main);
    fs::remove(s.dir / "Work.toc");
    ui::RunCommand("menuExportFiles", main);
    QVERIFY(!ui::ExportFilesDialog::Current(main));
    QCOMPARE(main.fakePrompter.informed, QStringList({"Ledgerly|TOC-file not found."}));
}

void ExportFilesDialogTest::digestWritesPageAndStatus() {
    for (int messages : {3, 0}) {
        Store s(messages);
        test::FakeMainWindow main;
        s.Select(main);
        const std::string page = s.dir / "Work.html";
        test::WriteFile(page, "old");
        main.fakePrompter.files = {Q(page)};
        QVERIFY(ui::RunCommand("menuExportReadersDigest", main));
        QVERIFY(main.waitForTool());
        QCOMPARE(main.fakePrompter.lastFilter, QStringLiteral("HTML File (*.html)"));
        const std::string bytes = test::ReadFile(page);
        QVERIFY(bytes.starts_with("<BR>\r\n<HTML>\r\n"));
        QVERIFY(bytes.ends_with("</BODY></HTML>\r\n"));
        QCOMPARE(bytes.find("<A NAME=\"[3]\">") != std::string::npos, messages == 3);
        QCOMPARE(main.statuses.last(), QStringLiteral("%1 messages exported. Ready.").arg(messages));
    }
}

void ExportFilesDialogTest::digestCancelledOrMissingWritesNothing() {
    Store s;
    test::FakeMainWindow main;
    s.Select(main);
    main.fakePrompter.files = {QString()};
    ui::RunCommand("menuExportReadersDigest", main);
    QVERIFY(main.statuses.isEmpty());
    QVERIFY(main.fakePrompter.informed.isEmpty());

    fs::remove(s.mbx);
    main.fakePrompter.files = {Q(s.dir / "x.html")};
    ui::RunCommand("menuExportReadersDigest", main);
    QCOMPARE(main.fakePrompter.informed, QStringList({"Ledgerly|MBX-file not found."}));
    QCOMPARE(main.fakePrompter.files.size(), std::size_t(1));  // no dialog shown
    QVERIFY(!fs::exists(s.dir / "x.html"));
}

QTEST_MAIN(ExportFilesDialogTest)
#include "tst_ExportFilesDialog.moc"
