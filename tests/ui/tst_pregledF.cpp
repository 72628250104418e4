// The main window: its menus, the command state, the common checks of a
// mailbox command, the context menus, the status bar and the tree commands.
#include <QAction>
#include <QLabel>
#include <QMenu>
#include <QMenuBar>
#include <QStatusBar>
#include <QTest>
#include <QTreeWidget>
#include <filesystem>
#include <memory>

#include "app/FileHelpers.h"
#include "store/FolderTree.h"
#include "tests/support/TestSupport.h"
#include "tests/ui/support/FakeMainWindow.h"
#include "tests/ui/support/SampleFolder.h"
#include "ui/AboutF.h"
#include "ui/CommandPattern.h"
#include "ui/CommandRegistry.h"
#include "ui/Palettes.h"
#include "ui/Pictures.h"
#include "ui/pregledF.h"

using namespace ledgerly;
using ledgerly::ui::pregledF;

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

    std::unique_ptr<pregledF> makeWindow(bool withTree = true) {
        auto w = std::make_unique<pregledF>(state_, &prompter_);
        if (withTree) {
            w->setFolderTree(LoadFolderTree(data()));
            w->selectNode(1);
        }
        return w;
    }
    static QAction* act(const pregledF& w, const char* name) { return w.findChild<QAction*>(QString::fromLatin1(name)); }

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

    void hiddenCommandsStayHiddenAndTwoAreDisabled() {
        auto w = makeWindow();
        for (const char* name : {"menuFindAttachments", "menuMarkDuplicatesClassic", "menuMarkDuplicatesHash", "menuBonus",
                                 "menuExportFiles", "menuEncryption"}) {
            QVERIFY2(!act(*w, name)->isVisible(), name);
            w->selectKey(data() + "In.mbx");
            QVERIFY2(!act(*w, name)->isVisible(), name);
        }
        for (const char* name : {"menuMark", "menuUpdate", "menuExtract", "menuAlignColumns", "menuUpdateAll", "menuROT13", "menuExportOutlook"})
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
        w->menuSynchronizeMailbox_Click();
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
        int ran = 0;
        ui::RunMailboxCommand(*w, static_cast<FileChecks>(files), refuseWhileEudora, [&](ui::ToolRun& run) {
            ++ran;
            QCOMPARE(run.key, pair + "mbx");
        });
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
        bool ran = false;
        ui::RunMailboxCommand(*w, FileChecks::MbxThenToc, true, [&](ui::ToolRun&) { ran = true; });
        QVERIFY(!ran);
        QVERIFY(prompter_.informed.isEmpty());
        w->menuSynchronizeMailbox_Click();
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
        ui::RegisterCommand("menuExportOutlook", nullptr);
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

        w->setFolderTree(FolderTree{});
        QTest::mouseClick(viewport, Qt::RightButton, {}, QPoint(10, 5));
        QTRY_COMPARE(QApplication::activePopupWidget(), static_cast<QWidget*>(w->mailboxesMenu()));
        w->mailboxesMenu()->close();
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

        w->menuAddMailbox_Click();  // no TOC
        QCOMPARE(prompter_.lastFilter, QString("Eudora Mailbox Files (*.mbx)"));
        QCOMPARE(prompter_.informed, QStringList{"Ledgerly|Corresponding TOC-File Not Found."});
        QCOMPARE(w->folderTree().Count(), before);
        w->menuAddMailbox_Click();  // cancelled
        QCOMPARE(w->folderTree().Count(), before);

        QVERIFY(w->selectKey(data() + "In.mbx"));  // align columns is off now
        w->menuAddMailbox_Click();
        QCOMPARE(w->folderTree().Count(), before + 1);
        QCOMPARE(w->treeWidget()->topLevelItemCount(), 2);
        QCOMPARE(w->treeWidget()->topLevelItem(1)->text(0), QString("Archive (3)"));
        QVERIFY(w->commandEnabled("menuAlignColumns"));

        w->menuSynchronizeMailbox_Click();
        QCOMPARE(w->folderTree().Count(), before + 1);
        QCOMPARE(w->selectedKey(), w->folderTree().Nodes()[0].key);
    }

    void aboutWindowSaysWhetherEachLibraryIsPresent() {
        const QStringList missing = ui::AboutF::LibraryChecks(state_.paths.ProgramFolder);
        QCOMPARE(missing.size(), 2);
        QVERIFY(missing[0].startsWith("Qt " + QString(qVersion())));
        QVERIFY2(missing[1].endsWith(": MISSING"), qPrintable(missing[1]));
        const QStringList present = ui::AboutF::LibraryChecks(std::string(LEDGERLY_BIN_DIR) + "/");
        QVERIFY2(present[1].endsWith(": present"), qPrintable(present[1]));
        test::WriteFile(state_.paths.ProgramFolder + "liblwb.so", "not a library");
        const QStringList broken = ui::AboutF::LibraryChecks(state_.paths.ProgramFolder);
        QVERIFY2(broken[1].contains("unusable"), qPrintable(broken[1]));
        ui::AboutF about(state_);
        QVERIFY(about.isModal());
        QVERIFY(about.findChild<QLabel*>("librariesL")->text().contains("MISSING") ||
                about.findChild<QLabel*>("librariesL")->text().contains("unusable"));
    }

    void helpAndReleaseNotesOpenTheFilesBesideTheProgram() {
        auto w = makeWindow();
        QList<QUrl> opened;
        w->urlOpener = [&](const QUrl& u) { opened << u; return true; };
        w->menuHelp_Click();
        w->menuReleaseNotes_Click();
        QVERIFY(opened.isEmpty());  // neither is installed in this folder
        QCOMPARE(prompter_.informed.size(), 2);
        std::filesystem::create_directories(state_.paths.ProgramFolder + "help");
        test::WriteFile(state_.paths.ProgramFolder + "help/index.html", "<html></html>");
        test::WriteFile(state_.paths.ProgramFolder + "release-notes.html", "<html></html>");
        w->menuHelp_Click();
        w->menuReleaseNotes_Click();
        QCOMPARE(opened, (QList<QUrl>{QUrl::fromLocalFile(QString::fromStdString(state_.paths.ProgramFolder + "help/index.html")),
                                      QUrl::fromLocalFile(QString::fromStdString(state_.paths.ProgramFolder + "release-notes.html"))}));
    }
};

QTEST_MAIN(MainWindowTest)
#include "tst_pregledF.moc"
