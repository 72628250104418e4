// The main window's and the palettes' keys in the settings file: defaults,
// clamping, and what closing writes back.
#include <QScreen>
#include <QTest>
#include <algorithm>
#include <memory>

#include "app/IniFile.h"
#include "tests/support/TestSupport.h"
#include "tests/ui/support/FakeMainWindow.h"
#include "ui/Palettes.h"
#include "ui/Twips.h"
#include "ui/MainWindow.h"

using namespace ledgerly;
using ledgerly::ui::PaletteKind;
using ledgerly::ui::MainWindow;

class WindowSettingsTest : public QObject {
    Q_OBJECT

    std::unique_ptr<test::TempDir> dir_;
    AppState state_;
    test::FakePrompter prompter_;

    static constexpr int kFirstWidth = 9600, kFirstHeight = 6600;  // twips, before a size is remembered

    std::string ini() const { return state_.paths.IniPath; }
    std::string read(const char* section, const char* key) const { return ReadIni(section, key, "<none>", ini()); }

private slots:
    void init() {
        dir_ = std::make_unique<test::TempDir>();
        state_ = AppState{};
        state_.paths.ProgramFolder = dir_->str();
        state_.paths.IniPath = dir_->str() + "Ledgerly.ini";
    }
    void cleanup() { dir_.reset(); }

    // Large enough for the tree and the summary list side by side.
    void withoutASettingsFileTheWindowShowsTreeAndListWithFlaggingToolsOpen() {
        MainWindow w(state_, &prompter_);
        QCOMPARE(w.rememberedWidth(), kFirstWidth);
        QCOMPARE(w.rememberedHeight(), kFirstHeight);
        QCOMPARE(w.width(), ui::TwipsToPixelsX(w, kFirstWidth));
        QCOMPARE(w.height(), ui::TwipsToPixelsY(w, kFirstHeight));
        QCOMPARE(w.pos(), QPoint(0, 0));
        QVERIFY(w.palette(PaletteKind::Flagging));
        QVERIFY(!w.palette(PaletteKind::Special));
        QVERIFY(!w.palette(PaletteKind::Mining));
        QVERIFY(state_.FlaggingToolsShown);
        QVERIFY(!state_.MiningToolsShown);
    }

    void rememberedSizeIsBroughtIntoRange_data() {
        QTest::addColumn<QString>("height");
        QTest::addColumn<QString>("width");
        QTest::addColumn<int>("wantHeight");
        QTest::addColumn<int>("wantWidth");
        QTest::newRow("in range") << " 6000" << " 7000" << 6000 << 7000;
        QTest::newRow("too high") << " 30000" << " 7000" << 4500 << 7000;
        QTest::newRow("too low") << " 100" << " 100" << 4500 << 3200;
        QTest::newRow("too wide") << " 6000" << " 22001" << 6000 << 3200;
        QTest::newRow("limits kept") << " 24000" << " 22000" << 24000 << 22000;
        QTest::newRow("not numbers") << "tall" << "" << kFirstHeight << kFirstWidth;
        QTest::newRow("beyond 16 bits") << " 70000" << " 6000" << kFirstHeight << 6000;
    }
    void rememberedSizeIsBroughtIntoRange() {
        QFETCH(QString, height);
        QFETCH(QString, width);
        QFETCH(int, wantHeight);
        QFETCH(int, wantWidth);
        WriteIni("Settings", "WindowHeight", height.toStdString(), ini());
        WriteIni("Settings", "WindowWidth", width.toStdString(), ini());
        WriteIni("Settings", "WindowState", " 0", ini());
        MainWindow w(state_, &prompter_);
        QCOMPARE(w.rememberedHeight(), wantHeight);
        QCOMPARE(w.rememberedWidth(), wantWidth);
        // The window's own limits still hold: 3800..22000 wide, 4400..20000 high.
        // ... and the screen's: the window fits in its available area.
        const QRect area = w.screen()->availableGeometry();
        QCOMPARE(w.height(), std::min(ui::TwipsToPixelsY(w, std::clamp(wantHeight, 4400, 20000)), area.height()));
        QCOMPARE(w.width(), std::min(ui::TwipsToPixelsX(w, std::clamp(wantWidth, 3800, 22000)), area.width()));
    }

    void closingInTheNormalStateWritesGeometryAndPaletteFlags() {
        WriteIni("Toolbars", "FlaggingTools", "0", ini());
        WriteIni("Toolbars", "MiningTools", " 1", ini());
        WriteIni("Toolbars", "SpecialTools", "1.7", ini());  // whole-number part 1
        {
            MainWindow w(state_, &prompter_);
            QVERIFY(!w.palette(PaletteKind::Flagging));
            QVERIFY(w.palette(PaletteKind::Mining));
            QVERIFY(w.palette(PaletteKind::Special));
            w.palette(PaletteKind::Special)->close();
            w.showAsLoaded();
            w.move(ui::TwipsToPixelsX(w, 1500), ui::TwipsToPixelsY(w, 900));
            w.resize(ui::TwipsToPixelsX(w, 6000), ui::TwipsToPixelsY(w, 7000));
            w.close();
        }
        QCOMPARE(read("Toolbars", "FlaggingTools"), std::string("0"));
        QCOMPARE(read("Toolbars", "MiningTools"), std::string("1"));
        QCOMPARE(read("Toolbars", "SpecialTools"), std::string("0"));
        QCOMPARE(ReadIni("Settings", "WindowState", "0", ini()), std::string("0"));  // the default: not written
        QVERIFY(std::abs(std::stoi(read("Settings", "WindowWidth")) - 6000) <= 15);
        QVERIFY(std::abs(std::stoi(read("Settings", "WindowHeight")) - 7000) <= 15);
        QVERIFY(std::abs(std::stoi(read("Settings", "WindowLeft")) - 1500) <= 15);
        QVERIFY(std::abs(std::stoi(read("Settings", "WindowTop")) - 900) <= 15);
        QVERIFY(test::ReadFile(ini()).find("WindowWidth= ") != std::string::npos);  // numbers are written with a blank
        // Placed beside the main window and left there: no place of their own.
        QCOMPARE(read("Windows", "MiningToolsTop"), std::string("<none>"));
        QCOMPARE(read("Windows", "SpecialToolsLeft"), std::string("<none>"));

        MainWindow again(state_, &prompter_);  // and they come back
        QVERIFY(std::abs(again.rememberedWidth() - 6000) <= 15);
        QVERIFY(again.palette(PaletteKind::Mining));
        QVERIFY(!again.palette(PaletteKind::Special));
    }

    void aMaximisedWindowKeepsItsNormalSizeAndPosition() {
        WriteIni("Settings", "WindowState", " 2", ini());
        WriteIni("Settings", "WindowHeight", " 6100", ini());
        WriteIni("Settings", "WindowWidth", " 30000", ini());  // not brought into range while maximised
        WriteIni("Settings", "WindowTop", " 123", ini());
        WriteIni("Settings", "WindowLeft", "456", ini());
        {
            MainWindow w(state_, &prompter_);
            w.showAsLoaded();
            QVERIFY(w.isMaximized());
            w.close();
        }
        QCOMPARE(read("Settings", "WindowState"), std::string("2"));
        QCOMPARE(read("Settings", "WindowHeight"), std::string("6100"));
        QCOMPARE(read("Settings", "WindowWidth"), std::string("30000"));
        QCOMPARE(read("Settings", "WindowTop"), std::string("123"));
        QCOMPARE(read("Settings", "WindowLeft"), std::string("456"));
    }

    void palettePositionsOutsideTheirRangeReopenAtZero_data() {
        QTest::addColumn<QString>("top");
        QTest::addColumn<QString>("left");
        QTest::addColumn<int>("wantTop");
        QTest::addColumn<int>("wantLeft");
        QTest::newRow("in range") << "1440" << "2880" << 1440 << 2880;
        QTest::newRow("top above 22000") << "22001" << "1440" << 0 << 1440;
        QTest::newRow("negative left") << "1440" << "-15" << 1440 << 0;
        QTest::newRow("limit kept") << "22000" << "0" << 22000 << 0;
        QTest::newRow("not a number") << "high" << "1440" << 0 << 1440;
    }
    void palettePositionsOutsideTheirRangeReopenAtZero() {
        QFETCH(QString, top);
        QFETCH(QString, left);
        QFETCH(int, wantTop);
        QFETCH(int, wantLeft);
        WriteIni("Windows", "FlaggingToolsTop", top.toStdString(), ini());
        WriteIni("Windows", "FlaggingToolsLeft", left.toStdString(), ini());
        MainWindow w(state_, &prompter_);
        ui::ToolPalette* p = w.palette(PaletteKind::Flagging);
        QVERIFY(p);
        // Then kept inside the screen's available area.
        const QRect area = p->screen()->availableGeometry();
        const QPoint want(std::min(ui::TwipsToPixelsX(*p, wantLeft), area.right() + 1 - p->width()),
                          std::min(ui::TwipsToPixelsY(*p, wantTop), area.bottom() + 1 - p->height()));
        QCOMPARE(p->pos(), want);
        const long long topTwips = ui::PixelsToTwipsY(*p, p->pos().y());
        p->close();
        // written back as decimal text without a blank
        QVERIFY(QString::fromStdString(test::ReadFile(ini())).contains("FlaggingToolsTop=" + QString::number(topTwips) + "\r\n"));
    }
};

QTEST_MAIN(WindowSettingsTest)
#include "tst_windowSettings.moc"
