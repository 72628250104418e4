#include <QApplication>
#include <QHeaderView>
#include <QLineEdit>
#include <QPushButton>
#include <QStatusBar>
#include <QTimer>
#include <QTreeWidget>
#include <QtTest>
#include <filesystem>

#include "app/IniFile.h"
#include "app/Messages.h"
#include "store/MailboxBuilder.h"
#include "store/PairCheck.h"
#include "tests/support/TestSupport.h"
#include "tests/ui/support/FakeMainWindow.h"
#include "ui/CommandRegistry.h"
#include "ui/LinkAttachmentsDialog.h"

namespace fs = std::filesystem;
using namespace ledgerly;
using ledgerly::test::FakeMainWindow;
using ledgerly::test::ReadFile;
using ledgerly::test::TempDir;
using ledgerly::test::WriteFile;

namespace {

// In.mbx: Ann names two gone files, Bob one that exists and one gone.
struct Store {
    TempDir dir;
    std::string data;
    FakeMainWindow main;
    Store() : data(dir / "Eudora/") {
        fs::create_directories(data + "attach");
        fs::create_directories(data + "Found");
        WriteFile(data + "attach/here.pdf", "h");
        WriteFile(data + "Found/zeta.doc", "z");
        MailboxBuilder b;
        b.Add(ComposeMessage({"From: ann@x"}, "\r\nAttachment Converted: \"C:\\Old\\zeta.doc\"\r\n"
                                              "Attachment Converted: \"C:\\Old\\alpha.pdf\"\r\n"), "Ann");
        b.Add(ComposeMessage({"From: bob@x", "X-Attachments: " + data + "attach/here.pdf; C:\\Old\\zeta.doc;"}, "\r\nhi\r\n"), "Bob");
        if (!b.Write(data + "In.").ok()) qFatal("cannot build the mailbox");
        main.appState.paths.DataFolder = data;
        main.appState.paths.IniPath = dir / "Ledgerly.ini";
        main.key = data + "In.mbx";
    }
};

template <class T>
T* Child(QWidget& w, const char* name) {
    T* c = w.findChild<T*>(QString::fromLatin1(name));
    if (!c) qFatal("no child %s", name);
    return c;
}

QStringList Column(QTreeWidget* list, int column) {
    QStringList out;
    for (int i = 0; i < list->topLevelItemCount(); ++i)
        out << (column < 0 ? ui::LinkAttachmentsDialog::stateKeyOf(list->topLevelItem(i)) : list->topLevelItem(i)->text(column));
    return out;
}

void Select(QTreeWidget* list, std::initializer_list<int> rows) {
    list->clearSelection();
    for (int r : rows) list->topLevelItem(r)->setSelected(true);
}

}  // namespace

class AttacherWindowTest : public QObject {
    Q_OBJECT
private slots:
    void loadListsBrokenReferencesInMessageOrder() {
        Store s;
        ui::LinkAttachmentsDialog w(s.main, s.main.key, QStringLiteral("In (2)"));
        QVERIFY(w.load());
        QCOMPARE(w.windowTitle(), QStringLiteral("Repair Broken Attachment-Links >> Mailbox: In "));
        auto* list = Child<QTreeWidget>(w, "ListLinks");
        QCOMPARE(list->headerItem()->text(3), QStringLiteral("New Location"));
        QCOMPARE(Column(list, 0), (QStringList{"zeta.doc", "alpha.pdf", "zeta.doc"}));
        QCOMPARE(Column(list, 1), (QStringList{"Ann", "Ann", "Bob"}));
        QCOMPARE(Column(list, -1), (QStringList{"inicijalno", "inicijalno", "inicijalno"}));
        QVERIFY(!list->topLevelItem(0)->icon(0).isNull());
        QCOMPARE(Child<QStatusBar>(w, "StatusBar")->currentMessage(), QStringLiteral("3 broken attachment-references found."));
        QCOMPARE(Child<QLineEdit>(w, "redT")->text(), QString::fromStdString(s.data + "attach/"));
        QVERIFY(!Child<QPushButton>(w, "updateD")->isEnabled());
        QCOMPARE(Child<QPushButton>(w, "updateD")->toolTip(), QStringLiteral("Update Attachment Links"));
        QVERIFY(w.minimumWidth() > 0 && w.minimumHeight() > w.minimumWidth());
    }

    void setRemoveResetAndRunFollowTheSelection() {
        Store s;
        ui::LinkAttachmentsDialog w(s.main, s.main.key, QStringLiteral("In"));
        QVERIFY(w.load());
        QStringList opened;
        w.openWithShell = [&opened](const QString& p) { opened << p; };
        auto* list = Child<QTreeWidget>(w, "ListLinks");
        auto* redT = Child<QLineEdit>(w, "redT");
        redT->setText(QString::fromStdString(s.data + "Nowhere"));
        Select(list, {0});
        Child<QPushButton>(w, "setD")->click();
        QCOMPARE(s.main.fakePrompter.informed.back(), QString::fromStdString("Ledgerly|Folder '" + s.data + "Nowhere' does not exsit."));
        QVERIFY(!Child<QPushButton>(w, "updateD")->isEnabled());

        redT->setText(QString::fromStdString(s.data + "Found"));
        Select(list, {0, 1});
        Child<QPushButton>(w, "setD")->click();
        QCOMPARE(Column(list, -1), (QStringList{"postoji", "ne_postoji", "inicijalno"}));
        QCOMPARE(list->topLevelItem(1)->text(3), QString::fromStdString(s.data + "Found/alpha.pdf"));
        QVERIFY(Child<QPushButton>(w, "updateD")->isEnabled());

        Child<QPushButton>(w, "runD")->click();
        QCOMPARE(s.main.fakePrompter.informed.back(), QStringLiteral("Ledgerly|Please select only one item to perform this action."));
        list->clearSelection();
        Child<QPushButton>(w, "runD")->click();
        QCOMPARE(s.main.fakePrompter.informed.back(), QStringLiteral("Ledgerly|Please select at least one item to perform this action."));
        Select(list, {1});
        Child<QPushButton>(w, "runD")->click();
        QCOMPARE(s.main.fakePrompter.informed.back(), QString::fromStdString("Ledgerly|File '" + s.data + "Found/alpha.pdf' not found."));
        Select(list, {0});
        Child<QPushButton>(w, "runD")->click();
        QCOMPARE(opened, QStringList{QString::fromStdString(s.data + "Found/zeta.doc")});

        Select(list, {1, 2});
        Child<QPushButton>(w, "removeD")->click();
        QCOMPARE(Column(list, -1), (QStringList{"postoji", "za_brisanje", "za_brisanje"}));
        QCOMPARE(list->topLevelItem(1)->text(3), QString());
        Select(list, {2});
        Child<QPushButton>(w, "changeD")->click();
        QCOMPARE(Column(list, -1), (QStringList{"postoji", "za_brisanje", "inicijalno"}));
    }

    void updateRefusesWhileEudoraRunsThenRewrites() {
        Store s;
        const std::string before = ReadFile(s.data + "In.mbx");
        ui::LinkAttachmentsDialog w(s.main, s.main.key, QStringLiteral("In"));
        QVERIFY(w.load());
        auto* list = Child<QTreeWidget>(w, "ListLinks");
        Child<QLineEdit>(w, "redT")->setText(QString::fromStdString(s.data + "Found"));
        Select(list, {0});
        Child<QPushButton>(w, "setD")->click();
        Select(list, {1});
        Child<QPushButton>(w, "removeD")->click();
        w.show();

        s.main.eudoraRunning = true;
        Child<QPushButton>(w, "updateD")->click();
        QCOMPARE(s.main.fakePrompter.informed.back(), QStringLiteral("Ledgerly|Please close Eudora before performing this action."));
        QCOMPARE(ReadFile(s.data + "In.mbx"), before);
        QVERIFY(w.isVisible());

        s.main.eudoraRunning = false;
        Child<QPushButton>(w, "updateD")->click();
        QVERIFY(!w.isVisible());
        QCOMPARE(w.result(), int(QDialog::Accepted));
        QCOMPARE(s.main.statuses.back(), QString::fromUtf8(msg::kDone));
        QCOMPARE(ReadFile(s.data + "In.mbx.1"), before);
        const std::string after = ReadFile(s.data + "In.mbx");
        // The first row named zeta.doc wins in both messages; alpha.pdf's path is gone, its quotes stay.
        QVERIFY(after.find("Attachment Converted: \"" + s.data + "Found/zeta.doc\"\r\n") != std::string::npos);
        QVERIFY(after.find("X-Attachments: " + s.data + "attach/here.pdf; " + s.data + "Found/zeta.doc;") != std::string::npos);
        QVERIFY(after.find("Attachment Converted: \"\"\r\n") != std::string::npos);
        QVERIFY(CheckPair(MailboxPair::FromMailboxPath(s.main.key)).Consistent());
        // Closing kept the folder shown for next time.
        QCOMPARE(QString::fromStdString(ReadIni("Settings", "AttachmentsDir", "", s.main.appState.paths.IniPath)),
                 QString::fromStdString(s.data + "Found"));
    }

    void nothingBrokenClosesWithItsMessage() {
        Store s;
        MailboxBuilder b;
        b.Add(ComposeMessage({"From: c@x"}, "\r\nAttachment Converted: \"" + s.data + "attach/here.pdf\"\r\n"), "Cid");
        QVERIFY(b.Write(s.data + "Ok.").ok());
        s.main.key = s.data + "Ok.mbx";
        QVERIFY(ui::RunCommand("menuUpdateAttachmentLinks", s.main));
        QCOMPARE(s.main.fakePrompter.informed, QStringList{QStringLiteral("Ledgerly|No broken attachment-references found.")});
        QCOMPARE(s.main.statuses.back(), QStringLiteral("Ready"));
    }

    void commandChecksTheTocFirst() {
        Store s;
        fs::remove(s.data + "In.toc");
        fs::remove(s.data + "In.mbx");
        ui::RunCommand("menuUpdateAttachmentLinks", s.main);
        QCOMPARE(s.main.fakePrompter.informed, QStringList{QStringLiteral("Ledgerly|TOC-file not found.")});
    }

    void commandOpensTheWindowModally() {
        Store s;
        QString title;
        // The search runs first (the window waits for it, live); then the window opens.
        QTimer poll;
        QObject::connect(&poll, &QTimer::timeout, [&title, &poll] {
            if (QWidget* w = QApplication::activeModalWidget()) {
                poll.stop();
                title = w->windowTitle();
                w->close();
            }
        });
        poll.start(10);
        ui::RunCommand("menuUpdateAttachmentLinks", s.main);
        QCOMPARE(title, QStringLiteral("Repair Broken Attachment-Links >> Mailbox: In"));
    }
};

QTEST_MAIN(AttacherWindowTest)
#include "tst_LinkAttachmentsDialog.moc"
