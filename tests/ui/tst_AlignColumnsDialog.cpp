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
#include "ui/AlignColumnsDialog.h"

using namespace ledgerly;

class ProzorFTest : public QObject {
    Q_OBJECT

    static void WriteBox(const std::string& pair, std::uint8_t version = 0x30) {
        MailboxBuilder b;
        b.Version(version).Widths({1, 1, 1, 1, 1, 1, 1, 1});
        b.Add(ComposeMessage({"Subject: x"}, "y\r\n"));
        QVERIFY(b.Write(pair).ok());
    }
    static std::array<int, 8> TocWidths(const std::string& toc) {
        const std::string bytes = test::ReadFile(toc);
        std::array<int, 8> w{};
        for (int i = 0; i < 8; ++i) w[i] = static_cast<unsigned char>(bytes[54 + 2 * i]) | (static_cast<signed char>(bytes[55 + 2 * i]) << 8);
        return w;
    }

private slots:
    void opensWithDefaultWidthsAndAtLeastFourThousandTwipsWide() {
        test::TempDir dir;
        test::FakeMainWindow main;
        main.appState.paths.IniPath = dir / "Ledgerly.ini";
        ui::AlignColumnsDialog window(main, dir.str(), QStringLiteral("Mail"));
        QCOMPARE(window.Widths(), (ColumnWidthSet{3, 3, 3, 5, 7, 7, 3, 3}));
        QVERIFY(window.width() >= ui::TwipsToPixelsX(window, 4000) - 1);
        QCOMPARE(window.height(), ui::TwipsToPixelsY(window, 2000));
        auto* list = window.findChild<QTreeWidget*>("ListaPrimer");
        QVERIFY(list);
        QStringList headers;
        for (int c = 0; c < list->columnCount(); ++c) headers << list->headerItem()->text(c);
        QCOMPARE(headers, (QStringList{"S", "P", "A", "Label", "Who", "Date", "K", "V", "Subject"}));
        QCOMPARE(list->topLevelItemCount(), 1);
        QCOMPARE(list->topLevelItem(0)->text(8), QStringLiteral("blah... blah..."));
        QCOMPARE(window.findChild<QPushButton*>("applyD")->text(), QStringLiteral("&Apply"));
        QCOMPARE(window.findChild<QPushButton*>("closeD")->text(), QStringLiteral("&Close"));
        QVERIFY(window.findChild<QWidget*>("pozadinaP"));
    }

    void captionNamesAMailboxByTheTextBeforeItsFirstParenthesis() {
        const std::pair<QString, QString> cases[] = {
            {"Mail", "Align Columns >> Mailfolder: Mail"},
            {"In (12)", "Align Columns >> Mailbox: In "},
            {"A (b) (3)", "Align Columns >> Mailbox: A "},
        };
        for (const auto& [text, caption] : cases) {
            test::FakeMainWindow main;
            ui::AlignColumnsDialog window(main, "/x/", text);
            QCOMPARE(window.windowTitle(), caption);
        }
    }

    // Stored widths are read for their integer part; a value that is not a
    // number keeps the column's default; the geometry is in twips.
    void settingsGiveIntegerWidthsAndTheWindowsPlace() {
        test::TempDir dir;
        const std::string ini = dir / "Ledgerly.ini";
        test::WriteFile(ini, "[Columns]\r\nStatus=12.6\r\nWho= 20\r\nDate=wide\r\n[Settings]\r\nSampleMailboxLeft=1500\r\n"
                             "SampleMailboxTop=750\r\nSampleMailboxWidth=6000\r\nSampleMailboxHeight=3000\r\n");
        test::FakeMainWindow main;
        main.appState.paths.IniPath = ini;
        ui::AlignColumnsDialog window(main, dir.str(), QStringLiteral("Mail"));
        QCOMPARE(window.Widths(), (ColumnWidthSet{12, 3, 3, 5, 20, 7, 3, 3}));
        QCOMPARE(window.pos(), QPoint(ui::TwipsToPixelsX(window, 1500), ui::TwipsToPixelsY(window, 750)));
        QCOMPARE(window.size(), QSize(ui::TwipsToPixelsX(window, 6000), ui::TwipsToPixelsY(window, 3000)));
    }

    void resizingKeepsTheWindowInsideItsLimits() {
        test::FakeMainWindow main;
        ui::AlignColumnsDialog window(main, "/x/", QStringLiteral("Mail"));
        struct Case { int w, h, expectedW, expectedH; };  // twips
        const Case cases[] = {
            {2000, 2000, 4000, 2000}, {6000, 1000, 6000, 2000}, {6000, 5000, 6000, 3500}, {5000, 2500, 5000, 2500}};
        for (const Case& c : cases) {
            window.resize(ui::TwipsToPixelsX(window, c.w), ui::TwipsToPixelsY(window, c.h));
            QCOMPARE(window.width(), ui::TwipsToPixelsX(window, c.expectedW));
            QCOMPARE(window.height(), ui::TwipsToPixelsY(window, c.expectedH));
        }
    }

    void subjectColumnTakesTheWidthTheOthersLeave() {
        test::FakeMainWindow main;
        ui::AlignColumnsDialog window(main, "/x/", QStringLiteral("Mail"));
        window.resize(ui::TwipsToPixelsX(window, 6000), window.height());
        window.show();
        QVERIFY(QTest::qWaitForWindowExposed(&window));
        auto* list = window.findChild<QTreeWidget*>("ListaPrimer");
        auto subjectFits = [list] {
            int others = 0;
            for (int c = 0; c < 8; ++c) others += list->columnWidth(c);
            return list->columnWidth(8) == list->viewport()->width() - others;
        };
        QVERIFY(subjectFits());
        window.resize(window.width() + 80, window.height());
        QTRY_VERIFY(subjectFits());
        list->header()->resizeSection(4, list->columnWidth(4) + 16);  // the user drags Who wider
        QVERIFY(subjectFits());
        QVERIFY(window.Widths()[4] > 7);
    }

    // 12.6 characters go into the TOC headers as 12 and into the settings
    // file as "12.6", whichever way the window is closed.
    void applyWritesIntegerWidthsAndClosingSavesTheirDecimalText() {
        for (const bool byButton : {true, false}) {
            test::TempDir dir;
            WriteBox(dir / "Old.", 0x30);
            WriteBox(dir / "New.", 0x31);
            test::FakeMainWindow main;
            main.appState.paths.IniPath = dir / "Ledgerly.ini";
            main.nodes = {{dir.str(), "Root"}, {dir / "Old.mbx", "Old (1)"}, {dir / "New.mbx", "New (1)"}};
            {
                ui::AlignColumnsDialog window(main, dir.str(), QStringLiteral("Root"));
                window.show();
                window.SetWidths({12.6, 2, 3, 4, 5, 6, 7, 8});
                window.Apply();
                if (byButton) window.findChild<QPushButton*>("closeD")->click();
                else window.close();
            }
            QCOMPARE(TocWidths(dir / "Old.toc"), (std::array<int, 8>{12, 2, 3, 4, 5, 6, 7, 8}));
            QCOMPARE(TocWidths(dir / "New.toc"), (std::array<int, 8>{12, 1, 2, 3, 4, 5, 6, 7}));  // Junk slot kept, no V
            const std::string ini = main.appState.paths.IniPath;
            QCOMPARE(ReadIni("Columns", "Status", "", ini), std::string("12.6"));
            QCOMPARE(ReadIni("Columns", "Server", "", ini), std::string("8"));
            for (const char* key : {"SampleMailboxHeight", "SampleMailboxWidth", "SampleMailboxTop", "SampleMailboxLeft"})
                QVERIFY2(ReadIniNumber("Settings", key, ini).has_value(), key);
            // Each mailbox's name goes to the status bar as it is written (the latest one shows).
            QCOMPARE(main.statuses.last(), QStringLiteral("New "));
        }
    }

    void applyReachesNestedFoldersOnlyBelowTheFolderAndSkipsMailboxesWithoutToc() {
        test::TempDir dir;
        namespace fs = std::filesystem;
        for (const char* f : {"Work.fol/Deep.fol", "Work.fol2", "Other.fol"}) fs::create_directories(dir.path() / f);
        WriteBox(dir / "Work.fol/A.");
        WriteBox(dir / "Work.fol/Deep.fol/B.");
        WriteBox(dir / "Work.fol2/C.");
        WriteBox(dir / "Other.fol/D.");
        test::WriteFile(dir / "Work.fol/Lone.mbx", "");
        test::FakeMainWindow main;
        main.appState.paths.IniPath = dir / "Ledgerly.ini";
        for (const char* f : {"Work.fol/A.mbx", "Work.fol/Deep.fol/B.mbx", "Work.fol/Lone.mbx", "Work.fol2/C.mbx", "Other.fol/D.mbx"})
            main.nodes.push_back({dir / f, "x (1)"});
        {
            // The folder key given without its separator still names only that folder.
            ui::AlignColumnsDialog window(main, dir / "Work.fol", QStringLiteral("Work"));
            window.SetWidths({9, 9, 9, 9, 9, 9, 9, 9});
            window.Apply();
        }
        QCOMPARE(TocWidths(dir / "Work.fol/A.toc")[0], 9);
        QCOMPARE(TocWidths(dir / "Work.fol/Deep.fol/B.toc")[0], 9);
        QCOMPARE(TocWidths(dir / "Work.fol2/C.toc")[0], 1);
        QCOMPARE(TocWidths(dir / "Other.fol/D.toc")[0], 1);
        QVERIFY(!fs::exists(dir / "Work.fol/Lone.toc"));
        QVERIFY(main.fakePrompter.informed.isEmpty());
    }

    void applyWhileEudoraRunsChangesNothing() {
        test::TempDir dir;
        WriteBox(dir / "In.");
        const std::string before = test::ReadFile(dir / "In.toc");
        test::FakeMainWindow main;
        main.eudoraRunning = true;
        main.nodes = {{dir / "In.mbx", "In (1)"}};
        ui::AlignColumnsDialog window(main, dir.str(), QStringLiteral("Root"));
        window.Apply();
        QCOMPARE(test::ReadFile(dir / "In.toc"), before);
        QCOMPARE(main.fakePrompter.informed.value(0), QStringLiteral("Ledgerly|Please close Eudora before performing this action."));
    }
};

QTEST_MAIN(ProzorFTest)
#include "tst_AlignColumnsDialog.moc"
