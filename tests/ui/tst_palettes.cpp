// The tool palettes: every button runs its menu item's command (hidden items
// too), nothing runs on an empty tree, pictures and tooltips are in place.
#include <QAction>
#include <QTest>
#include <QToolBar>
#include <QToolButton>
#include <filesystem>
#include <memory>

#include "store/FolderTree.h"
#include "tests/support/TestSupport.h"
#include "tests/ui/support/FakeMainWindow.h"
#include "tests/ui/support/SampleFolder.h"
#include "ui/CommandRegistry.h"
#include "ui/Palettes.h"
#include "ui/Pictures.h"
#include "ui/MainWindow.h"

using namespace ledgerly;
using ledgerly::ui::PaletteKind;
using ledgerly::ui::MainWindow;

namespace {

// Every control a palette button can reach, each with a handler that records
// its own name.
constexpr const char* kControls[] = {
    "menuMarkAllReceived", "menuMarkAllSent", "menuMarkDuplicatesClassic", "menuMarkDuplicatesHash", "menuUpdateSR",
    "menuUpdatePriority", "menuUpdateAttachment", "menuUpdateDate", "menuUpdateSubject", "menuUpdateWho",
    "menuRunScript", "menuHarvestEMailAddresses", "menuStripHTMLTags", "menuUpdateAttachmentLinks", "menuDecodeQP",
    "menuFixLastTag", "menuCreateBackup", "menuExtractEMails", "menuWebAddresses", "menuFileReferences", "menuFTPLinks",
    "menuTelnetLinks", "menuUsenetLinks", "menuPhLinks", "menuFingerLinks", "menuRTSPLinks", "menuXOptionsLinks",
};
constexpr std::size_t kControlCount = std::size(kControls);

QStringList& Ran() {
    static QStringList ran;
    return ran;
}

template <std::size_t I>
void Record(ui::MainWindowApi&) { Ran() << QString::fromLatin1(kControls[I]); }

template <std::size_t... I>
constexpr std::array<ui::CommandHandler, kControlCount> Recorders(std::index_sequence<I...>) { return {&Record<I>...}; }

// Puts recording handlers in place for the life of the object.
class RecordingHandlers {
public:
    RecordingHandlers() {
        const auto recorders = Recorders(std::make_index_sequence<kControlCount>());
        for (std::size_t i = 0; i < kControlCount; ++i) {
            saved_[i] = ui::FindCommand(kControls[i]);
            ui::RegisterCommand(kControls[i], recorders[i]);
        }
        Ran().clear();
    }
    ~RecordingHandlers() {
        for (std::size_t i = 0; i < kControlCount; ++i) ui::RegisterCommand(kControls[i], saved_[i]);
    }

private:
    std::array<ui::CommandHandler, kControlCount> saved_{};
};

}  // namespace

class PaletteTest : public QObject {
    Q_OBJECT

    std::unique_ptr<test::TempDir> dir_;
    AppState state_;
    test::FakePrompter prompter_;

    std::unique_ptr<test::TempDir> sample_;  // written once (its files are flushed to disk), copied for each test

private slots:
    void initTestCase() {
        sample_ = std::make_unique<test::TempDir>();
        test::WriteSampleFolder(sample_->str());
    }
    void cleanupTestCase() { sample_.reset(); }
    void init() {
        dir_ = std::make_unique<test::TempDir>();
        state_ = AppState{};
        state_.paths.ProgramFolder = dir_->str();
        state_.paths.IniPath = dir_->str() + "Ledgerly.ini";
        state_.paths.DataFolder = dir_->str() + "data/";
        std::filesystem::copy(sample_->str(), state_.paths.DataFolder, std::filesystem::copy_options::recursive);
    }
    void cleanup() { dir_.reset(); }

    void buttonsRunTheirMenuCommands_data() {
        QTest::addColumn<int>("kind");
        QTest::addColumn<QString>("toolbar");
        QTest::addColumn<QString>("key");
        QTest::addColumn<QString>("tooltip");
        QTest::addColumn<QString>("control");
        const int f = static_cast<int>(PaletteKind::Flagging), s = static_cast<int>(PaletteKind::Special),
                  m = static_cast<int>(PaletteKind::Mining);
        const struct { int kind; const char* toolbar; const char* key; const char* tooltip; const char* control; } rows[] = {
            {f, "flagging_tools", "received", "Mark All Messages Received", "menuMarkAllReceived"},
            {f, "flagging_tools", "sent", "Mark All Messages Sent", "menuMarkAllSent"},
            {f, "flagging_tools", "duplicates", "Mark Duplicates (Classic)", "menuMarkDuplicatesClassic"},  // hidden menu item
            {f, "flagging_tools", "duplicates_hash", "Mark Duplicates (Hash)", "menuMarkDuplicatesHash"},  // hidden menu item
            {f, "flagging_tools", "s_r", "Update Sent/Received Status", "menuUpdateSR"},
            {f, "flagging_tools", "priority", "Update Priority", "menuUpdatePriority"},
            {f, "flagging_tools", "attachment", "Update Attachment", "menuUpdateAttachment"},
            {f, "flagging_tools", "date", "Update Date", "menuUpdateDate"},
            {f, "flagging_tools", "subject", "Update Subject", "menuUpdateSubject"},
            {f, "flagging_tools", "who", "Update 'Who' Fields", "menuUpdateWho"},
            {s, "special_tools", "run_script", "Run Script...", "menuRunScript"},
            {s, "special_tools", "harvest", "Harvest E-Mail Addresses...", "menuHarvestEMailAddresses"},
            {s, "special_tools", "strip_html", "Strip HTML Tags", "menuStripHTMLTags"},
            {s, "special_tools", "link_attachments", "Link Attachments...", "menuUpdateAttachmentLinks"},
            {s, "special_tools", "quoted_printable", "Decode Quoted Printable", "menuDecodeQP"},
            {s, "special_tools", "repair_delimiters", "Repair Message Delimiters", "menuFixLastTag"},
            {s, "special_tools", "backup", "Create Backup", "menuCreateBackup"},
            {m, "mining_tools", "e_mail", "E-Mail Links", "menuExtractEMails"},
            {m, "mining_tools", "web", "Web Links", "menuWebAddresses"},
            {m, "mining_tools", "file", "File References", "menuFileReferences"},
            {m, "mining_tools", "ftp", "FTP Links", "menuFTPLinks"},
            {m, "mining_tools", "telnet", "Telnet Links", "menuTelnetLinks"},
            {m, "mining_tools", "news", "Usenet News Links", "menuUsenetLinks"},
            {m, "mining_tools", "ph", "Ph Links", "menuPhLinks"},
            {m, "mining_tools", "finger", "Finger Links", "menuFingerLinks"},
            {m, "mining_tools", "rtsp", "RTSP Links", "menuRTSPLinks"},
            {m, "mining_tools", "x_options", "X-Eudora-Options", "menuXOptionsLinks"},
        };
        for (const auto& r : rows) QTest::newRow(r.key) << r.kind << r.toolbar << r.key << r.tooltip << r.control;
    }
    void buttonsRunTheirMenuCommands() {
        QFETCH(int, kind);
        QFETCH(QString, toolbar);
        QFETCH(QString, key);
        QFETCH(QString, tooltip);
        QFETCH(QString, control);
        RecordingHandlers handlers;
        MainWindow main(state_, &prompter_);
        main.setFolderTree(LoadFolderTree(state_.paths.DataFolder));
        main.selectKey(state_.paths.DataFolder + "In.mbx");
        ui::ToolPalette* palette = main.openPalette(static_cast<PaletteKind>(kind));
        auto* bar = palette->findChild<QToolBar*>(toolbar);
        QVERIFY(bar);
        auto* action = bar->findChild<QAction*>(key);
        QVERIFY(action);
        QCOMPARE(action->toolTip(), tooltip);
        QVERIFY(!action->icon().isNull());
        auto* button = bar->findChild<QToolButton*>(key);
        QVERIFY(button);
        palette->show();
        QVERIFY(QTest::qWaitForWindowExposed(palette));
        QTest::mouseClick(button, Qt::LeftButton);
        QCOMPARE(Ran(), QStringList{control});

        main.setFolderTree(FolderTree{});  // empty tree: nothing runs
        Ran().clear();
        palette->buttonClicked(key);
        QVERIFY(Ran().isEmpty());
    }

    void palettesHaveTheirNamesCaptionsAndImageLists() {
        MainWindow main(state_, &prompter_);
        const struct { PaletteKind kind; const char* name; const char* caption; const char* images; int buttons; } rows[] = {
            {PaletteKind::Flagging, "TFlaggingF", "Flagging Tools", "FlaggingToolsI", 10},
            {PaletteKind::Special, "TSpecialF", "Special Tools", "SpecialToolsI", 7},
            {PaletteKind::Mining, "TMiningF", "Mining Tools", "MiningToolsI", 10},
        };
        for (const auto& r : rows) {
            ui::ToolPalette* p = main.openPalette(r.kind);
            QCOMPARE(p->objectName(), QString(r.name));
            QCOMPARE(p->windowTitle(), QString(r.caption));
            QCOMPARE(p->parentWidget(), static_cast<QWidget*>(&main));
            auto* images = p->findChild<ui::ImageList*>(r.images);
            QVERIFY(images);
            QCOMPARE(images->count(), r.buttons);
            QCOMPARE(static_cast<int>(p->buttons().size()), r.buttons);
            QCOMPARE(main.openPalette(r.kind), p);  // an open palette is only brought up
        }
        QVERIFY(state_.FlaggingToolsShown && state_.SpecialToolsShown && state_.MiningToolsShown);
        main.palette(PaletteKind::Special)->close();
        QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
        QVERIFY(!state_.SpecialToolsShown);
        QVERIFY(!main.palette(PaletteKind::Special));
    }

    void anUnknownKeyDoesNothing() {
        RecordingHandlers handlers;
        MainWindow main(state_, &prompter_);
        main.setFolderTree(LoadFolderTree(state_.paths.DataFolder));
        ui::ToolPalette* p = main.openPalette(PaletteKind::Flagging);
        p->buttonClicked("Received");  // keys are compared with case
        p->buttonClicked("web");       // another palette's key
        QVERIFY(Ran().isEmpty());
    }
};

QTEST_MAIN(PaletteTest)
#include "tst_palettes.moc"
