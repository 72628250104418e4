#include <QApplication>
#include <QButtonGroup>
#include <QGroupBox>
#include <QHeaderView>
#include <QListWidget>
#include <QPushButton>
#include <QRadioButton>
#include <QStatusBar>
#include <QTimer>
#include <QTreeWidget>
#include <QtTest>
#include <filesystem>

#include "store/MailboxBuilder.h"
#include "tests/support/TestSupport.h"
#include "tests/ui/support/FakeMainWindow.h"
#include "tests/ui/support/HoldRun.h"
#include "ui/CommandRegistry.h"
#include "ui/OrphanedAttachmentsDialog.h"
#include "ui/ToolRunner.h"

namespace fs = std::filesystem;
using namespace ledgerly;
using ledgerly::test::FakeMainWindow;
using ledgerly::test::TempDir;
using ledgerly::test::WriteFile;

namespace {

void WriteMailbox(const std::string& pairPath, const std::string& body) {
    MailboxBuilder b;
    b.Add(ComposeMessage({"From: a@b.c"}, "\r\n" + body + "\r\n"), "a@b.c");
    QVERIFY(b.Write(pairPath).ok());
}

// A data folder with attach/{kept.pdf, lost.txt, zz-lost.doc} and one mailbox naming kept.pdf.
struct Store {
    TempDir dir;
    std::string data;
    FakeMainWindow main;
    Store() : data(dir / "Eudora/") {
        fs::create_directories(data + "attach");
        WriteFile(data + "attach/kept.pdf", "k");
        WriteFile(data + "attach/lost.txt", "l");
        WriteFile(data + "attach/zz-lost.doc", "z");
        WriteMailbox(data + "In.", "Attachment Converted: \"" + data + "attach/kept.pdf\"");
        main.appState.paths.DataFolder = data;
        main.appState.paths.IniPath = dir / "Ledgerly.ini";
        main.key = data;
        main.tag = "root";
    }
};

template <class T>
T* Child(QWidget& w, const char* name) {
    T* c = w.findChild<T*>(QString::fromLatin1(name));
    if (!c) qFatal("no child %s", name);
    return c;
}

QString StatusText(QWidget& w) { return Child<QStatusBar>(w, "StatusBar")->currentMessage(); }

}  // namespace

class FinderWindowTest : public QObject {
    Q_OBJECT
private slots:
    void opensWithCaptionsAndTheAttachFolder() {
        Store s;
        ui::OrphanedAttachmentsDialog f(s.main, s.data, QStringLiteral("Eudora"));
        QCOMPARE(f.windowTitle(), QStringLiteral("Unreferenced Attachments >> Mailfolder: Eudora (1 mailboxes)"));
        QCOMPARE(Child<QPushButton>(f, "scanD")->text(), QStringLiteral("&Scan one mailbox"));
        QCOMPARE(StatusText(f), QStringLiteral("Ready"));
        auto* folders = Child<QListWidget>(f, "ListFolders");
        QCOMPARE(folders->count(), 1);
        QCOMPARE(folders->item(0)->text(), QStringLiteral("attach"));
        QCOMPARE(folders->item(0)->toolTip(), QString::fromStdString(s.data + "attach/"));
        for (const char* name : {"copyD", "moveD", "deleteD", "stopD"}) QVERIFY(!Child<QPushButton>(f, name)->isEnabled());
        QVERIFY(Child<QPushButton>(f, "scanD")->isEnabled());
        QVERIFY(Child<QRadioButton>(f, "filesO1")->isChecked());
    }

    void scanListsSortedOrphansAndGoesIdle() {
        Store s;
        ui::OrphanedAttachmentsDialog f(s.main, s.data, QStringLiteral("Eudora"));
        Child<QPushButton>(f, "scanD")->click();
        auto* list = Child<QTreeWidget>(f, "ListFiles");
        QCOMPARE(list->topLevelItemCount(), 2);
        QCOMPARE(list->topLevelItem(0)->text(0), QStringLiteral("lost.txt"));
        QCOMPARE(list->topLevelItem(1)->text(1), QString::fromStdString(s.data + "attach/zz-lost.doc"));
        QCOMPARE(StatusText(f), QStringLiteral("Search Completed. 2 orphaned attachments found in 1 mailboxes."));
        QCOMPARE(Child<QPushButton>(f, "scanD")->text(), QStringLiteral("Re&scan (1 mailboxes)"));
        QVERIFY(Child<QPushButton>(f, "copyD")->isEnabled());
        QVERIFY(!Child<QPushButton>(f, "stopD")->isEnabled());
        QVERIFY(Child<QPushButton>(f, "FolderAddD")->isEnabled());
        // A header click turns the order round.
        f.show();
        QTest::mouseClick(list->header()->viewport(), Qt::LeftButton, {}, QPoint(list->header()->sectionPosition(0) + 5, 5));
        QCOMPARE(list->topLevelItem(0)->text(0), QStringLiteral("zz-lost.doc"));
    }

    void addFolderRefusesRootsAndDuplicates() {
        Store s;
        fs::create_directories(s.dir.path() / "More");
        ui::OrphanedAttachmentsDialog f(s.main, s.data, QStringLiteral("Eudora"));
        auto* folders = Child<QListWidget>(f, "ListFolders");
        s.main.fakePrompter.folders = {QStringLiteral("/"), QString::fromStdString(s.data + "ATTACH"),
                                       QString::fromStdString(s.data + "attach/"), QString::fromStdString(s.dir / "More")};
        for (int i = 0; i < 4; ++i) Child<QPushButton>(f, "FolderAddD")->click();
        QCOMPARE(folders->count(), 2);
        QCOMPARE(folders->item(1)->toolTip(), QString::fromStdString(s.dir / "More/"));
        folders->setCurrentRow(0);
        Child<QPushButton>(f, "FolderRemoveD")->click();
        Child<QPushButton>(f, "FolderRemoveD")->click();
        QCOMPARE(folders->count(), 0);
        QVERIFY(!Child<QPushButton>(f, "scanD")->isEnabled());
        QVERIFY(!Child<QRadioButton>(f, "filesO2")->isEnabled());
    }

    void embeddedModeEmptiesTheFolderList() {
        Store s;
        ui::OrphanedAttachmentsDialog f(s.main, s.data, QStringLiteral("Eudora"));
        Child<QRadioButton>(f, "filesO2")->click();
        QCOMPARE(Child<QListWidget>(f, "ListFolders")->count(), 0);
        QVERIFY(!Child<QPushButton>(f, "scanD")->isEnabled());
        s.main.fakePrompter.folders = {QString::fromStdString(s.data + "attach")};
        Child<QPushButton>(f, "FolderAddD")->click();
        Child<QPushButton>(f, "scanD")->click();
        QCOMPARE(StatusText(f), QStringLiteral("Search Completed. 3 orphaned embedded files found."));
        QCOMPARE(Child<QGroupBox>(f, "FrameResults")->title(), QStringLiteral("Orphaned Embedded Files"));
    }

    void copyMarksBoldAndMoveOntoItselfKeepsTheFile() {
        Store s;
        fs::create_directories(s.dir.path() / "Saved");
        ui::OrphanedAttachmentsDialog f(s.main, s.data, QStringLiteral("Eudora"));
        Child<QPushButton>(f, "scanD")->click();
        auto* list = Child<QTreeWidget>(f, "ListFiles");
        list->topLevelItem(0)->setSelected(true);
        s.main.fakePrompter.folders = {QString::fromStdString(s.dir / "Saved")};
        Child<QPushButton>(f, "copyD")->click();
        QVERIFY(fs::exists(s.dir / "Saved/lost.txt"));
        QVERIFY(list->topLevelItem(0)->font(0).bold());
        QVERIFY(!list->topLevelItem(1)->font(0).bold());

        list->topLevelItem(1)->setSelected(true);
        s.main.fakePrompter.folders = {QString::fromStdString(s.data + "attach")};
        Child<QPushButton>(f, "moveD")->click();
        QVERIFY(fs::exists(s.data + "attach/lost.txt"));
        QVERIFY(fs::exists(s.data + "attach/zz-lost.doc"));
        QVERIFY(StatusText(f).contains(QStringLiteral("2 skipped")));

        // A cancelled folder dialog changes nothing.
        s.main.fakePrompter.folders.clear();
        Child<QPushButton>(f, "moveD")->click();
        QVERIFY(fs::exists(s.data + "attach/lost.txt"));
    }

    void wipeAsksAndKeepsRowsItCouldNotDelete() {
        Store s;
        fs::create_directories(s.data + "attach/stuck.bin");
        WriteFile(s.data + "attach/stuck.bin/inside", "x");
        ui::OrphanedAttachmentsDialog f(s.main, s.data, QStringLiteral("Eudora"));
        Child<QPushButton>(f, "scanD")->click();
        auto* list = Child<QTreeWidget>(f, "ListFiles");
        // stuck.bin is a folder (its file "inside" is a candidate): put it in as a row would be.
        new QTreeWidgetItem(list, {QStringLiteral("stuck.bin"), QString::fromStdString(s.data + "attach/stuck.bin")});
        list->selectAll();
        s.main.fakePrompter.answers = {false};
        Child<QPushButton>(f, "deleteD")->click();
        QCOMPARE(list->topLevelItemCount(), 4);
        QCOMPARE(s.main.fakePrompter.asked.back(),
                 QStringLiteral("Ledgerly|Are you sure you want to delete selected files?\r\nThis is not undoable."));
        Child<QPushButton>(f, "deleteD")->click();
        QCOMPARE(list->topLevelItemCount(), 1);
        QCOMPARE(list->topLevelItem(0)->text(0), QStringLiteral("stuck.bin"));
        QCOMPARE(StatusText(f), QStringLiteral("3 files deleted. 1 file could not be deleted."));
        QVERIFY(!fs::exists(s.data + "attach/lost.txt"));
    }

    void doubleClickAsksBeforeOpening() {
        Store s;
        ui::OrphanedAttachmentsDialog f(s.main, s.data, QStringLiteral("Eudora"));
        QStringList opened;
        f.openWithShell = [&opened](const QString& p) { opened << p; };
        Child<QPushButton>(f, "scanD")->click();
        auto* list = Child<QTreeWidget>(f, "ListFiles");
        list->setCurrentItem(list->topLevelItem(0));
        s.main.fakePrompter.answers = {false, true};
        f.resultDoubleClicked();
        QVERIFY(opened.isEmpty());
        f.resultDoubleClicked();
        const QString path = QString::fromStdString(s.data + "attach/lost.txt");
        QCOMPARE(opened, QStringList{path});
        QCOMPARE(s.main.fakePrompter.asked.back(), QStringLiteral("Ledgerly|Execute '") + path + QStringLiteral("' ?"));
    }

    void stopAndCloseEndTheScan() {
        for (bool close : {false, true}) {
            Store s;
            for (int i = 0; i < 12; ++i) WriteMailbox(s.data + "Box" + std::to_string(10 + i) + ".", "Attachment");
            ui::OrphanedAttachmentsDialog f(s.main, s.data, QStringLiteral("Eudora"));
            f.show();
            // The scan is held at its first mailbox until Stop (or the close) is given.
            test::HoldRun hold(s.main.runner(), "Status");
            QTimer::singleShot(0, &f, [&f, &hold, close] {
                QVERIFY(hold.reached());
                QVERIFY(f.scanning());
                if (close) f.close();
                else f.findChild<QPushButton*>(QStringLiteral("stopD"))->click();
                hold.release();
            });
            Child<QPushButton>(f, "scanD")->click();
            QVERIFY(!f.scanning());
            QCOMPARE(Child<QTreeWidget>(f, "ListFiles")->topLevelItemCount(), 0);
            QCOMPARE(f.isVisible(), !close);
            if (!close) {
                QCOMPARE(StatusText(f), QStringLiteral("Search canceled."));
                QVERIFY(Child<QPushButton>(f, "scanD")->isEnabled());
            }
        }
    }

    void commandOpensOnlyForTheRoot() {
        Store s;
        s.main.tag = "folder";
        QVERIFY(ui::RunCommand("menuFindAttachments", s.main));  // registered, but does nothing here
        s.main.tag = "root";
        QString title;
        QTimer::singleShot(0, [&title] {
            if (QWidget* w = QApplication::activeModalWidget()) {
                title = w->windowTitle();
                w->close();
            }
        });
        ui::RunCommand("menuFindAttachments", s.main);
        QCOMPARE(title, QStringLiteral("Unreferenced Attachments >> Mailfolder: Eudora (1 mailboxes)"));
    }
};

QTEST_MAIN(FinderWindowTest)
#include "tst_OrphanedAttachmentsDialog.moc"
