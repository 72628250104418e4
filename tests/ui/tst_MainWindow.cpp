// The main window: its menus, the command state, the common checks of a
// mailbox command, the context menus, the status bar and the tree commands.
#include <QAction>
#include <QLabel>
#include <QMenu>
#include <QMenuBar>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QTextBrowser>
#include <QTimer>
#include <QStatusBar>
#include <QTest>
#include <QTreeWidget>
#include <filesystem>
#include <atomic>
#include <memory>

#include "app/FileHelpers.h"
#include "store/FolderTree.h"
#include "tests/support/TestSupport.h"
#include "tests/ui/support/FakeMainWindow.h"
#include "tests/ui/support/HoldRun.h"
#include "tests/ui/support/SampleFolder.h"
#include "ui/AboutDialog.h"
#include "ui/CommandPattern.h"
#include "ui/CommandRegistry.h"
#include "ui/Palettes.h"
#include "ui/Pictures.h"
#include "ui/ManualWindow.h"
#include "ui/SummaryList.h"
#include "ui/ToolRunner.h"
#include "ui/MainWindow.h"

using namespace ledgerly;
using ledgerly::ui::MainWindow;

namespace {

// Registers a recording handler for a control name for the life of the
// object, and puts back whatever was registered before.
class HandlerOverride {
public:
    explicit HandlerOverride(const char* control) : control_(control), saved_(ui::FindCommand(control)) {
        ui::RegisterCommand(control_, &Record);
    }
    ~HandlerOverride() { ui::RegisterCommand(control_, saved_); }
    static int runs;

private:
    static void Record(ui::MainWindowApi&) { ++runs; }
    std::string control_;
    ui::CommandHandler saved_;
};
int HandlerOverride::runs = 0;

}  // namespace

class MainWindowTest : public QObject {
    Q_OBJECT

    std::unique_ptr<test::TempDir> dir_;
    AppState state_;
    test::FakePrompter prompter_;

    std::string data() const { return dir_->str() + "data/"; }

    std::unique_ptr<MainWindow> makeWindow(bool withTree = true) {
        auto w = std::make_unique<MainWindow>(state_, &prompter_);
        if (withTree) {
            w->setFolderTree(LoadFolderTree(data()));
            w->selectNode(1);
        }
        return w;
    }
    static QAction* act(const MainWindow& w, const char* name) { return w.findChild<QAction*>(QString::fromLatin1(name)); }

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
        std::filesystem::create_directories(dir_->str() + "prog");
        state_.paths.ProgramFolder = dir_->str() + "prog/";
        state_.paths.IniPath = state_.paths.ProgramFolder + "Ledgerly.ini";
        state_.paths.DataFolder = data();
        std::filesystem::copy(sample_->str(), data(), std::filesystem::copy_options::recursive);
        prompter_ = test::FakePrompter{};
    }
    void cleanup() { dir_.reset(); }

    void menuItemsHaveTheirCaptionsAndNames() {
        const char* rows[][3] = {
            {"menuMailboxes", "menuAddMailbox", "&Add..."},
            {"menuMailboxes", "menuSynchronizeMailbox", "&Synchronize"},
            {"menuMailboxes", "menuRebuildToc", "&Rebuild TOC..."},
            {"menuMailboxes", "menuCheckMailbox", "&Check Mailbox"},
            {"menuMailboxes", "menuQuit", "&Quit"},
            {"menuMark", "menuMarkAllReceived", "All Messages &Received"},
            {"menuMark", "menuMarkAllSent", "All Messages &Sent"},
            {"menuMark", "menuMarkDuplicatesClassic", "&Duplicates (Slow)"},
            {"menuMark", "menuMarkDuplicatesHash", "&Duplicates (Fast)"},
            {"menuUpdate", "menuUpdateSR", "&Sent / Received Status"},
            {"menuUpdate", "menuUpdatePriority", "&Priority"},
            {"menuUpdate", "menuUpdateAttachment", "&Attachment"},
            {"menuUpdate", "menuUpdateDate", "&Date"},
            {"menuUpdate", "menuUpdateSubject", "S&ubject"},
            {"menuUpdate", "menuUpdateWho", "&Who"},
            {"menuUpdate", "menuL12", ""},
            {"menuUpdate", "menuUpdateAll", "A&ll"},
            {"menuExport", "menuExportFiles", "&Files"},
            {"menuExport", "menuExportReadersDigest", "&Readers Digest"},
            {"menuExport", "menuExportOutlook", "&Mail Programs (mbox, Maildir, EML)..."},
            {"menuExtract", "menuExtractEMails", "&E-Mail"},
            {"menuExtract", "menuWebAddresses", "&Web"},
            {"menuExtract", "menuFileReferences", "&File References"},
            {"menuExtract", "menuFTPLinks", "F&TP"},
            {"menuExtract", "menuTelnetLinks", "&Telnet"},
            {"menuExtract", "menuUsenetLinks", "&Usenet News"},
            {"menuExtract", "menuPhLinks", "&Ph"},
            {"menuExtract", "menuFingerLinks", "F&inger"},
            {"menuExtract", "menuRTSPLinks", "&RTSP"},
            {"menuExtract", "menuXOptionsLinks", "&X-Eudora-Options"},
            {"menuExtract", "menuL22", ""},
            {"menuExtract", "menuExtractAll", "&All"},
            {"menuSpecial", "menuRunScript", "Run &Script..."},
            {"menuSpecial", "menuHarvestEMailAddresses", "&Harvest E-Mail Addresses..."},
            {"menuSpecial", "menuStripHTMLTags", "Strip &HTML Tags"},
            {"menuSpecial", "menuDecodeQP", "Decode &Quoted Printable"},
            {"menuSpecial", "menuUpdateAttachmentLinks", "&Link Attachments..."},
            {"menuSpecial", "menuFixLastTag", "&Repair Message Delimiters"},
            {"menuEncryption", "menuCipher", "Cipher"},
            {"menuEncryption", "menuDecipher", "Decipher"},
            {"menuEncryption", "menuL41", ""},
            {"menuEncryption", "menuROT13", "&ROT13"},
            {"menuDrvo", "menuMark", "&Mark"},
            {"menuDrvo", "menuUpdate", "&Update"},
            {"menuDrvo", "menuExport", "&Export To"},
            {"menuDrvo", "menuExtract", "&Extract URL"},
            {"menuDrvo", "menuSpecial", "&Special"},
            {"menuDrvo", "menuEncryption", "&Encryption"},
            {"menuDrvo", "menuCreateBackup", "&Backup"},
            {"menuDrvo", "menuBonus", "&Bonus"},
            {"menuBonus", "menuFlagDuplicates", "&Flag Duplicates"},
            {"menuDrvo", "menuL2", ""},
            {"menuDrvo", "menuAlignColumns", "&Align Columns..."},
            {"menuDrvo", "menuFindAttachments", "&Orphaned Attachments..."},
            {"menuView", "menuToolbars", "Toolbars"},
            {"menuToolbars", "menuFlaggingTools", "Flagging Tools"},
            {"menuToolbars", "menuSpecialTools", "Special Tools"},
            {"menuToolbars", "menuMiningTools", "Mining Tools"},
            {"menuInfo", "menuHelp", "&Help"},
            {"menuInfo", "menuReleaseNotes", "&Release Notes (Web)"},
            {"menuInfo", "menuL51", ""},
            {"menuInfo", "menuAbout", "&About"},
        };
        auto w = makeWindow(false);
        for (const auto& [parent, name, caption] : rows) {
            auto* menu = w->findChild<QMenu*>(parent);
            QVERIFY2(menu, parent);
            QAction* found = nullptr;
            for (QAction* a : menu->actions())
                if (a->objectName() == QLatin1String(name)) found = a;
            QVERIFY2(found, name);
            if (*caption) QVERIFY2(found->text() == QLatin1String(caption), name);
            else QVERIFY2(found->isSeparator(), name);
        }
    }

    void menuBarHoldsTheFourMenusWithInfoAtTheRightEnd() {
        auto w = makeWindow(false);
        w->resize(600, 400);
        w->show();
        QVERIFY(QTest::qWaitForWindowExposed(w.get()));
        QStringList captions;
        QAction* info = nullptr;
        for (QAction* a : w->menuBar()->actions()) {
            if (a->isSeparator()) continue;
            captions << a->text();
            if (a->objectName() == "menuInfo") info = a;
        }
        QCOMPARE(captions, (QStringList{"&Mailboxes", "&Tools", "&View", "&Info"}));
        QVERIFY(info);
        const QRect infoRect = w->menuBar()->actionGeometry(info);
        const QRect viewRect = w->menuBar()->actionGeometry(act(*w, "menuView"));
        QVERIFY2(infoRect.right() > w->menuBar()->width() - 20, "the Info menu is not at the right end");
        QVERIFY(infoRect.left() > viewRect.right() + 50);
    }

    void onlyCommandsWithoutATrueToolStayHidden() {
        auto w = makeWindow();
        for (const char* name : {"menuBonus", "menuCipher", "menuDecipher"}) {
            QVERIFY2(!act(*w, name)->isVisible(), name);
            w->selectKey(data() + "In.mbx");
            QVERIFY2(!act(*w, name)->isVisible(), name);
        }
        // What the command line can do, the menus offer.
        for (const char* name : {"menuFindAttachments", "menuMarkDuplicatesClassic", "menuMarkDuplicatesHash", "menuExportFiles",
                                 "menuEncryption", "menuROT13", "menuCheckMailbox", "menuMark", "menuUpdate", "menuExtract",
                                 "menuAlignColumns", "menuUpdateAll", "menuExportOutlook", "menuRebuildToc"})
            QVERIFY2(act(*w, name)->isVisible(), name);
        QVERIFY(!w->commandEnabled("menuFlagDuplicates"));
        QVERIFY(!w->commandEnabled("menuRunScript"));  // no Scripts folder
        QCOMPARE(w->windowTitle(), QString("Ledgerly"));
        QCOMPARE(w->statusText(), QString("Ready"));
    }

    void runScriptIsEnabledWhenTheScriptsFolderExists() {
        std::filesystem::create_directories(data() + "Scripts");
        auto w = makeWindow();
        QVERIFY(w->commandEnabled("menuRunScript"));
        std::filesystem::remove(data() + "Scripts");
        w->synchronize();
        QVERIFY(!w->commandEnabled("menuRunScript"));
    }

    void commandStateFollowsTheSelection_data() {
        QTest::addColumn<QString>("node");
        QTest::addColumn<bool>("mailboxState");
        QTest::addColumn<bool>("findAttachments");
        QTest::newRow("root") << "" << false << true;
        QTest::newRow("folder") << "Work.fol/" << false << false;
        QTest::newRow("mailbox") << "In.mbx" << true << false;
        QTest::newRow("mailbox in a folder") << "Work.fol/Projects.mbx" << true << false;
    }
    void commandStateFollowsTheSelection() {
        QFETCH(QString, node);
        QFETCH(bool, mailboxState);
        QFETCH(bool, findAttachments);
        auto w = makeWindow();
        w->openPalette(ui::PaletteKind::Mining);
        QVERIFY(w->selectKey(data() + node.toStdString()));
        for (const char* name : {"menuToolbars", "menuMark", "menuUpdate", "menuExtract", "menuSpecial", "menuBonus", "menuExport",
                                 "menuDecodeQP", "menuCreateBackup", "menuRebuildToc"})
            QVERIFY2(w->commandEnabled(name) == mailboxState, name);
        QCOMPARE(w->commandEnabled("menuAlignColumns"), !mailboxState);
        QCOMPARE(w->commandEnabled("menuFindAttachments"), findAttachments);
        QCOMPARE(w->palette(ui::PaletteKind::Mining)->isEnabled(), mailboxState);
        QCOMPARE(w->palette(ui::PaletteKind::Flagging)->isEnabled(), mailboxState);
    }

    void mailboxCommandChecksAnswerWithTheirBoxAndChangeNothing_data() {
        QTest::addColumn<int>("files");
        QTest::addColumn<bool>("refuseWhileEudora");
        QTest::addColumn<QString>("removeExt");
        QTest::addColumn<bool>("eudora");
        QTest::addColumn<QString>("message");
        const int mt = static_cast<int>(FileChecks::MbxThenToc), tm = static_cast<int>(FileChecks::TocThenMbx),
                  mo = static_cast<int>(FileChecks::MbxOnly);
        QTest::newRow("toc deleted") << mt << true << "toc" << false << "TOC-file not found.";
        QTest::newRow("mbx deleted") << mt << true << "mbx" << false << "MBX-file not found.";
        QTest::newRow("both gone, toc first") << tm << true << "both" << false << "TOC-file not found.";
        QTest::newRow("both gone, mbx first") << mt << true << "both" << false << "MBX-file not found.";
        QTest::newRow("eudora running") << mt << true << "" << true << "Please close Eudora before performing this action.";
        QTest::newRow("eudora ignored") << mo << false << "" << true << "";
        QTest::newRow("toc not checked") << mo << true << "toc" << false << "";
        QTest::newRow("all well") << mt << true << "" << false << "";
    }
    void mailboxCommandChecksAnswerWithTheirBoxAndChangeNothing() {
        QFETCH(int, files);
        QFETCH(bool, refuseWhileEudora);
        QFETCH(QString, removeExt);
        QFETCH(bool, eudora);
        QFETCH(QString, message);
        auto w = makeWindow();
        w->eudoraProbe = [eudora] { return eudora; };
        const std::string pair = data() + "In.";
        if (removeExt == "toc" || removeExt == "both") std::filesystem::remove(pair + "toc");
        if (removeExt == "mbx" || removeExt == "both") std::filesystem::remove(pair + "mbx");
        const std::string tocBefore = test::ReadFile(pair + "toc");
        QVERIFY(w->selectKey(pair + "mbx"));
        w->setStatus("before");
        std::atomic<int> ran = 0;
        std::string key;
        ui::RunMailboxCommand(*w, {"menuTest", "Test", static_cast<FileChecks>(files), refuseWhileEudora},
                              [&](ToolContext&, const std::string& k) {
                                  ++ran;
                                  key = k;
                                  return ui::ToolOutcome{};
                              });
        QVERIFY(w->runner().waitUntilIdle());
        if (ran == 1) QCOMPARE(key, pair + "mbx");
        if (message.isEmpty()) {
            QCOMPARE(ran, 1);
            QVERIFY(prompter_.informed.isEmpty());
            QCOMPARE(w->statusText(), QString("Ready"));
        } else {
            QCOMPARE(ran, 0);
            QCOMPARE(prompter_.informed, QStringList{"Ledgerly|" + message});
            QCOMPARE(w->statusText(), QString("before"));
            QCOMPARE(test::ReadFile(pair + "toc"), tocBefore);
        }
    }

    void everyCommandDoesNothingOnAnEmptyTree() {
        state_.paths.DataFolder.clear();
        auto w = makeWindow(false);
        QVERIFY(w->treeEmpty());
        const bool started = ui::RunMailboxCommand(*w, {"menuTest", "Test", FileChecks::MbxThenToc, true},
                                                   [](ToolContext&, const std::string&) { return ui::ToolOutcome{}; });
        QVERIFY(!started);
        QVERIFY(prompter_.informed.isEmpty());
        w->synchronize();
        QVERIFY(w->treeEmpty());
    }

    void clickHandlersRunTheRegisteredCommandAndUnregisteredOnesDoNothing() {
        auto w = makeWindow();
        {
            HandlerOverride h("menuUpdateAll");
            HandlerOverride::runs = 0;
            act(*w, "menuUpdateAll")->trigger();
            QCOMPARE(HandlerOverride::runs, 1);
        }
        const ui::CommandHandler saved = ui::FindCommand("menuExportOutlook");
        ui::RegisterCommand("menuExportOutlook", {});
        act(*w, "menuExportOutlook")->trigger();  // nothing registered: nothing happens
        ui::RegisterCommand("menuExportOutlook", saved);
        QVERIFY(prompter_.informed.isEmpty());
    }

    void rightClickPopsUpToolsOrMailboxesAndShiftF10OnlyOnAMailbox() {
        auto w = makeWindow();
        w->resize(500, 500);
        w->show();
        QVERIFY(QTest::qWaitForWindowExposed(w.get()));
        QWidget* viewport = w->treeWidget()->viewport();
        QTest::mouseClick(viewport, Qt::RightButton, {}, QPoint(10, 5));
        QTRY_COMPARE(QApplication::activePopupWidget(), static_cast<QWidget*>(w->toolsMenu()));
        w->toolsMenu()->close();

        QVERIFY(w->selectKey(data() + "Work.fol/"));
        QTest::keyClick(w->treeWidget(), Qt::Key_F10, Qt::ShiftModifier);
        QVERIFY(!QApplication::activePopupWidget());
        QVERIFY(w->selectKey(data() + "In.mbx"));
        QTest::keyClick(w->treeWidget(), Qt::Key_F10, Qt::ShiftModifier);
        QTRY_COMPARE(QApplication::activePopupWidget(), static_cast<QWidget*>(w->toolsMenu()));
        w->toolsMenu()->close();
        QTest::keyClick(w->treeWidget(), Qt::Key_Menu);  // the keyboard's context-menu key
        QTRY_COMPARE(QApplication::activePopupWidget(), static_cast<QWidget*>(w->toolsMenu()));
        w->toolsMenu()->close();

        w->setFolderTree(FolderTree{});
        QTest::mouseClick(viewport, Qt::RightButton, {}, QPoint(10, 5));
        QTRY_COMPARE(QApplication::activePopupWidget(), static_cast<QWidget*>(w->mailboxesMenu()));
        w->mailboxesMenu()->close();
    }

    // While a tool runs the window repaints and its View menu opens; the tree,
    // the menus of the commands and the palettes are off, and a command given
    // then is not kept for later. Afterwards the list shows the new state.
    void whileAToolRunsTheWindowStaysLiveAndTheMailboxLocked() {
        auto w = makeWindow();
        w->showAsLoaded();
        QVERIFY(QTest::qWaitForWindowExposed(w.get()));
        QVERIFY(w->selectKey(data() + "In.mbx"));
        QCOMPARE(w->summaryList()->count(), 12);
        QCOMPARE(w->summaryList()->model()->index(0, 0).data().toString(), QString("Read"));
        test::HoldRun hold(w->runner());
        act(*w, "menuMarkAllSent")->trigger();
        QVERIFY(hold.reached());
        QVERIFY(!w->treeWidget()->isEnabled());
        QVERIFY(!act(*w, "menuDrvo")->isEnabled());
        QVERIFY(!act(*w, "menuMailboxes")->isEnabled());
        QVERIFY(!w->palette(ui::PaletteKind::Flagging)->isEnabled());
        QVERIFY(act(*w, "menuView")->isEnabled());
        bool ticked = false;
        QTimer::singleShot(0, [&ticked] { ticked = true; });
        QTRY_VERIFY(ticked);
        w->runCommand("menuStripHTMLTags");  // refused now, and not run later either
        w->palette(ui::PaletteKind::Flagging)->buttonClicked("received");
        hold.release();
        QVERIFY(w->runner().waitUntilIdle(60000));
        QVERIFY(w->treeWidget()->isEnabled());
        QVERIFY(act(*w, "menuDrvo")->isEnabled());
        QVERIFY(w->palette(ui::PaletteKind::Flagging)->isEnabled());
        QVERIFY(!std::filesystem::exists(data() + "In.mbx.1"));
        QCOMPARE(prompter_.asked.size(), 1);
        QCOMPARE(w->summaryList()->model()->index(0, 0).data().toString(), QString("Sent"));
    }

    // A Stop given as the tool starts, or after its first message, leaves the
    // pair byte for byte as it was.
    void stopLeavesThePairAsItWas_data() {
        QTest::addColumn<QString>("command");
        QTest::addColumn<QString>("at");  // where the run is held when Stop comes
        QTest::newRow("strip HTML, at the start") << "menuStripHTMLTags" << "start";
        QTest::newRow("strip HTML, after a message") << "menuStripHTMLTags" << "Status";
        QTest::newRow("update all, after a message") << "menuUpdateAll" << "Status";
        QTest::newRow("mark sent, after a message") << "menuMarkAllSent" << "Status";
    }
    void stopLeavesThePairAsItWas() {
        QFETCH(QString, command);
        QFETCH(QString, at);
        auto w = makeWindow();
        w->showAsLoaded();
        QVERIFY(w->selectKey(data() + "In.mbx"));
        const std::string toc = test::ReadFile(data() + "In.toc"), mbx = test::ReadFile(data() + "In.mbx");
        test::HoldRun hold(w->runner(), at.toStdString());
        w->runCommand(command.toLatin1().constData());
        QVERIFY(hold.reached());
        QTRY_VERIFY(w->runner().progressWindow());
        w->runner().progressWindow()->findChild<QPushButton*>("stopD")->click();
        hold.release();
        QVERIFY(w->runner().waitUntilIdle(60000));
        QCOMPARE(test::ReadFile(data() + "In.toc"), toc);
        QCOMPARE(test::ReadFile(data() + "In.mbx"), mbx);
        const bool said = w->statusText().startsWith("Stopped") || prompter_.informed.join("").contains("Stopped");
        QVERIFY2(said, qPrintable(w->statusText() + " / " + prompter_.informed.join(" / ")));
    }

    void theSummaryListShowsTheMailboxSortsAndOpensAMessage() {
        auto w = makeWindow();
        ui::SummaryList* list = w->summaryList();
        QCOMPARE(list->count(), 0);  // the root: a folder
        QVERIFY(w->selectKey(data() + "Out.mbx"));
        QCOMPARE(list->count(), 4);
        const QStringList headers{"Status", "Priority", "Attachment", "Who", "Date", "Size", "Subject"};
        for (int c = 0; c < headers.size(); ++c) QCOMPARE(list->model()->headerData(c, Qt::Horizontal).toString(), headers[c]);
        QCOMPARE(list->model()->index(0, ui::SummaryModel::Who).data().toString(), QString("Ann Example"));
        QCOMPARE(list->model()->index(0, ui::SummaryModel::Subject).data().toString(), QString("Note 1"));
        list->sortByColumn(ui::SummaryModel::Subject, Qt::DescendingOrder);
        QCOMPARE(list->model()->index(0, ui::SummaryModel::Subject).data().toString(), QString("Note 4"));
        QCOMPARE(list->rowAt(0)->number, 4);
        QWidget* message = list->openMessage(0);
        QVERIFY(message);
        auto* text = message->findChild<QPlainTextEdit*>("messageT");
        QVERIFY(text->isReadOnly());
        QVERIFY(text->toPlainText().contains("Subject: Note 4"));
        QCOMPARE(message->windowTitle(), QString("Note 4"));
        message->close();
        QVERIFY(w->selectKey(data() + "Work.fol/"));
        QCOMPARE(list->count(), 0);
    }

    void theToolbarsMenuChecksTheOpenPalettes() {
        auto w = makeWindow();
        w->showAsLoaded();
        QVERIFY(act(*w, "menuFlaggingTools")->isChecked());
        QVERIFY(!act(*w, "menuMiningTools")->isChecked());
        act(*w, "menuMiningTools")->trigger();
        QVERIFY(w->palette(ui::PaletteKind::Mining));
        QVERIFY(act(*w, "menuMiningTools")->isChecked());
        act(*w, "menuMiningTools")->trigger();  // already open: only brought up
        QVERIFY(w->palette(ui::PaletteKind::Mining));
        QVERIFY(act(*w, "menuMiningTools")->isChecked());
        w->palette(ui::PaletteKind::Mining)->close();
        QVERIFY(!act(*w, "menuMiningTools")->isChecked());
    }

    void quitAndHelpHaveTheDesktopsKeys() {
        auto w = makeWindow();
        QCOMPARE(act(*w, "menuQuit")->shortcut(), QKeySequence(QStringLiteral("Ctrl+Q")));
        QCOMPARE(act(*w, "menuHelp")->shortcut(), QKeySequence(QStringLiteral("F1")));
        w->show();
        w->activateWindow();
        QVERIFY(QTest::qWaitForWindowActive(w.get()));
        QTest::keyClick(w->treeWidget(), Qt::Key_Q, Qt::ControlModifier);
        QTRY_VERIFY(!w->isVisible());
    }

    void withoutABrowserTheManualOpensInAWindowOfItsOwn() {
        auto w = makeWindow();
        std::filesystem::create_directories(state_.paths.ProgramFolder + "help");
        test::WriteFile(state_.paths.ProgramFolder + "help/index.html", "<html><head><title>Ledgerly manual</title></head><body>Hi</body></html>");
        w->urlOpener = [](const QUrl&) { return false; };  // no browser
        w->openManual();
        auto* manual = w->findChild<ui::ManualWindow*>("ManualWindow");
        QVERIFY(manual);
        QVERIFY(manual->browser()->toPlainText().contains("Hi"));
        QCOMPARE(manual->windowTitle(), QString("Ledgerly manual"));
        QVERIFY(prompter_.informed.isEmpty());
    }

    void clickingTheStatusBarShowsItsText() {
        auto w = makeWindow();
        w->show();
        w->setStatus("Message 12 of 40");
        QTest::mouseClick(w->statusBar()->findChild<QWidget*>("StatusText"), Qt::LeftButton);
        QCOMPARE(prompter_.informed, QStringList{"Status Information - Ledgerly|Message 12 of 40"});
    }

    void treeShowsTheLabelledNodesWithTheirPictures() {
        auto w = makeWindow();
        auto* tree = w->findChild<QTreeWidget*>("DrvoSanducad");
        QVERIFY(tree);
        ui::ImageList* images = w->findChild<ui::ImageList*>("drvoI");
        QVERIFY(images);
        QCOMPARE(images->count(), 9);
        const QStringList keys{"folder_closed", "folder_opened", "", "", "mailbox_set", "in", "out", "trash", "junk"};
        for (int i = 1; i <= 9; ++i) {
            QCOMPARE(images->key(i), keys[i - 1]);
            QVERIFY(!images->icon(i).isNull());
        }
        QCOMPARE(tree->topLevelItemCount(), 1);
        QTreeWidgetItem* root = tree->topLevelItem(0);
        QStringList texts;
        for (int i = 0; i < root->childCount(); ++i) texts << root->child(i)->text(0);
        QCOMPARE(texts, (QStringList{"In (12)", "Junk (2)", "Out (4)", "Personal", "Trash (3)", "Work Mail"}));
        QCOMPARE(tree->currentItem(), root);
        QTreeWidgetItem* work = root->child(5);
        QCOMPARE(work->icon(0).cacheKey(), images->icon(1).cacheKey());
        work->setExpanded(true);
        QCOMPARE(work->icon(0).cacheKey(), images->icon(2).cacheKey());
        work->setExpanded(false);
        QCOMPARE(work->icon(0).cacheKey(), images->icon(1).cacheKey());
    }

    void addingAMailboxByHand() {
        auto w = makeWindow();
        const std::string other = dir_->str() + "other/";
        test::WriteSamplePair(other, "Archive", "Archive", 2, 3);
        test::WriteFile(other + "Lonely.mbx", "");
        prompter_.files = {QString::fromStdString(other + "Lonely.mbx"), QString(), QString::fromStdString(other + "Archive.mbx")};
        const int before = w->folderTree().Count();

        w->addMailbox();  // no TOC
        QCOMPARE(prompter_.lastFilter, QString("Eudora Mailbox Files (*.mbx)"));
        QCOMPARE(prompter_.informed, QStringList{"Ledgerly|Corresponding TOC-File Not Found."});
        QCOMPARE(w->folderTree().Count(), before);
        w->addMailbox();  // cancelled
        QCOMPARE(w->folderTree().Count(), before);

        QVERIFY(w->selectKey(data() + "In.mbx"));  // align columns is off now
        w->addMailbox();
        QCOMPARE(w->folderTree().Count(), before + 1);
        QCOMPARE(w->treeWidget()->topLevelItemCount(), 2);
        QCOMPARE(w->treeWidget()->topLevelItem(1)->text(0), QString("Archive (3)"));
        QVERIFY(w->commandEnabled("menuAlignColumns"));

        w->synchronize();
        QCOMPARE(w->folderTree().Count(), before + 1);
        QCOMPARE(w->selectedKey(), w->folderTree().Nodes()[0].key);
    }

    void aboutWindowSaysWhetherEachLibraryIsPresent() {
        const QStringList missing = ui::AboutDialog::LibraryChecks(state_.paths.ProgramFolder);
        QCOMPARE(missing.size(), 2);
        QVERIFY(missing[0].startsWith("Qt " + QString(qVersion())));
        QVERIFY2(missing[1].endsWith(": MISSING"), qPrintable(missing[1]));
        const QStringList present = ui::AboutDialog::LibraryChecks(std::string(LEDGERLY_BIN_DIR) + "/");
        QVERIFY2(present[1].endsWith(": present"), qPrintable(present[1]));
        test::WriteFile(state_.paths.ProgramFolder + "liblwb.so", "not a library");
        const QStringList broken = ui::AboutDialog::LibraryChecks(state_.paths.ProgramFolder);
        QVERIFY2(broken[1].contains("unusable"), qPrintable(broken[1]));
        ui::AboutDialog about(state_);
        QVERIFY(about.isModal());
        QVERIFY(about.findChild<QLabel*>("librariesL")->text().contains("MISSING") ||
                about.findChild<QLabel*>("librariesL")->text().contains("unusable"));
    }

    void helpAndReleaseNotesOpenTheFilesBesideTheProgram() {
        auto w = makeWindow();
        QList<QUrl> opened;
        w->urlOpener = [&](const QUrl& u) { opened << u; return true; };
        w->openManual();
        w->openReleaseNotes();
        QVERIFY(opened.isEmpty());  // neither is installed in this folder
        QCOMPARE(prompter_.informed.size(), 2);
        std::filesystem::create_directories(state_.paths.ProgramFolder + "help");
        test::WriteFile(state_.paths.ProgramFolder + "help/index.html", "<html></html>");
        test::WriteFile(state_.paths.ProgramFolder + "release-notes.html", "<html></html>");
        w->openManual();
        w->openReleaseNotes();
        QCOMPARE(opened, (QList<QUrl>{QUrl::fromLocalFile(QString::fromStdString(state_.paths.ProgramFolder + "help/index.html")),
                                      QUrl::fromLocalFile(QString::fromStdString(state_.paths.ProgramFolder + "release-notes.html"))}));
    }
};

QTEST_MAIN(MainWindowTest)
#include "tst_MainWindow.moc"
