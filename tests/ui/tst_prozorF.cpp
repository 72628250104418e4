// The column-alignment window against a fake main window.
#include <QHeaderView>
#include <QPushButton>
#include <QTreeWidget>
#include <QtTest>
#include <filesystem>

#include "app/IniFile.h"
#include "store/MailboxBuilder.h"
#include "tests/support/TestSupport.h"
#include "tests/ui/support/FakeMainWindow.h"
#include "ui/Twips.h"
#include "ui/prozorF.h"

using namespace ledgerly;

class ProzorFTest : public QObject {
    Q_OBJECT

    static void WriteBox(const std::string& pair) {
        MailboxBuilder b;
        b.Version(0x30).Widths({1, 1, 1, 1, 1, 1, 1, 1});
        b.Add(ComposeMessage({"Subject: x"}, "y\r\n"));
        QVERIFY(b.Write(pair).ok());
    }

private slots:
    void opensWithDefaultWidthsAndAtLeastFourThousandTwipsWide() {
        test::TempDir dir;
        test::FakeMainWindow main;
        main.appState.paths.IniPath = dir / "Ledgerly.ini";
        ui::prozorF window(main, dir.str(), QStringLiteral("Mail"));
        const ColumnWidthSet w = window.Widths();
        const ColumnWidthSet expected{3, 3, 3, 5, 7, 7, 3, 3};
        for (std::size_t i = 0; i < w.size(); ++i) QCOMPARE(std::floor(w[i] + 0.01), expected[i]);
        QVERIFY(window.minimumWidth() >= ui::TwipsToPixelsX(window, 4000) - 1);
        QCOMPARE(window.windowTitle(), QStringLiteral("Align Columns >> Mailfolder: Mail"));
        QVERIFY(window.findChild<QTreeWidget*>("ListaPrimer"));
        QCOMPARE(window.findChild<QTreeWidget*>("ListaPrimer")->headerItem()->text(8), QStringLiteral("Subject"));
        QVERIFY(window.findChild<QPushButton*>("applyD"));
        QVERIFY(window.findChild<QPushButton*>("closeD"));
    }

    void captionNamesAMailboxByTheTextBeforeItsCount() {
        test::FakeMainWindow main;
        ui::prozorF window(main, "/x/In.mbx", QStringLiteral("In (12)"));
        QCOMPARE(window.windowTitle(), QStringLiteral("Align Columns >> Mailbox: In "));
    }

    void applyWritesIntoNestedMailboxesOnlyBelowTheFolderAndClosingSavesTheWidths() {
        test::TempDir dir;
        std::filesystem::create_directories(dir.path() / "Work.fol" / "Deep.fol");
        std::filesystem::create_directories(dir.path() / "Other.fol");
        WriteBox(dir / "Work.fol/A.");
        WriteBox(dir / "Work.fol/Deep.fol/B.");
        WriteBox(dir / "Other.fol/C.");
        test::FakeMainWindow main;
        main.appState.paths.IniPath = dir / "Ledgerly.ini";
        main.nodes = {{dir.str(), "Root"},
                      {dir / "Work.fol/", "Work"},
                      {dir / "Work.fol/A.mbx", "A (1)"},
                      {dir / "Work.fol/Deep.fol/B.mbx", "B (1)"},
                      {dir / "Other.fol/C.mbx", "C (1)"}};
        {
            ui::prozorF window(main, dir / "Work.fol/", QStringLiteral("Work"));
            window.SetWidths({12.6, 3, 3, 5, 7, 7, 3, 3});
            window.Apply();
            window.close();
        }
        auto width0 = [](const std::string& toc) { return static_cast<int>(test::ReadFile(toc)[54]); };
        QCOMPARE(width0(dir / "Work.fol/A.toc"), 12);
        QCOMPARE(width0(dir / "Work.fol/Deep.fol/B.toc"), 12);
        QCOMPARE(width0(dir / "Other.fol/C.toc"), 1);
        QCOMPARE(main.statuses.value(1), QStringLiteral("B "));
        QCOMPARE(QString::fromStdString(ReadIni("Columns", "Status", "", main.appState.paths.IniPath)).toInt(), 12);
        QVERIFY(!ReadIni("Settings", "SampleMailboxWidth", "", main.appState.paths.IniPath).empty());
    }

    void applyWhileEudoraRunsChangesNothing() {
        test::TempDir dir;
        WriteBox(dir / "In.");
        const std::string before = test::ReadFile(dir / "In.toc");
        test::FakeMainWindow main;
        main.eudoraRunning = true;
        main.nodes = {{dir / "In.mbx", "In (1)"}};
        ui::prozorF window(main, dir.str(), QStringLiteral("Root"));
        window.Apply();
        QCOMPARE(test::ReadFile(dir / "In.toc"), before);
        QCOMPARE(main.fakePrompter.informed.value(0), QStringLiteral("Ledgerly|Please close Eudora before performing this action."));
    }
};

QTEST_MAIN(ProzorFTest)
#include "tst_prozorF.moc"
