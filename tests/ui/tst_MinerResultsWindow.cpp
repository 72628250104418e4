#include <QAction>
#include <QClipboard>
#include <QGuiApplication>
#include <QLineEdit>
#include <QMenu>
#include <QPointer>
#include <QTest>
#include <QTreeWidget>

#include "app/IniFile.h"
#include "mining/ResultFiles.h"
#include "tests/support/TestSupport.h"
#include "tests/ui/support/FakeMainWindow.h"
#include "ui/CommandRegistry.h"
#include "ui/MinerPictures.h"
#include "ui/MinerResultsWindow.h"

using namespace ledgerly;
using ledgerly::test::FakeMainWindow;
using ledgerly::test::ReadFile;
using ledgerly::test::TempDir;
using ledgerly::test::WriteFile;
using ledgerly::ui::MinerResultsWindow;

namespace {

MinerResult LinkResult(std::vector<std::pair<std::string, std::string>> textsAndTags, bool historyEnabled = true) {
    MinerResult r;
    r.mode = MinerMode::Links;
    for (auto& [text, tag] : textsAndTags) r.entries.push_back(MinerEntry{text, tag, "web"});
    r.columnCaption = "URL - HTTP - " + std::to_string(r.entries.size()) + " Links";
    r.mailboxName = "Inbox";
    r.windowCaption = "URL Miner - Inbox";
    r.historyCaption = kLinkHistoryCaption;
    r.historyEnabled = historyEnabled;
    return r;
}

MinerResult AddressResult(const std::string& mailbox, std::vector<std::string> addresses) {
    MinerResult r;
    r.mode = MinerMode::Addresses;
    for (auto& a : addresses) r.entries.push_back(MinerEntry{a, a, "e_mail"});
    r.columnCaption = "E-Mail Addresses";
    r.mailboxName = mailbox;
    r.windowCaption = mailbox + ": " + std::to_string(r.entries.size()) + " E-Mail Addresses";
    r.windowIcon = "hat";
    r.executeVisible = false;
    r.composeVisible = true;
    r.addressBookVisible = true;
    r.historyCaption = kAddressHistoryCaption;
    r.historyEnabled = true;
    return r;
}

void Select(MinerResultsWindow* w, std::initializer_list<int> rows) {
    w->list()->clearSelection();
    for (int r : rows) w->list()->topLevelItem(r)->setSelected(true);
    if (rows.size() > 0) w->list()->setCurrentItem(w->list()->topLevelItem(*rows.begin()), 0, QItemSelectionModel::NoUpdate);
}

QStringList Texts(MinerResultsWindow* w) {
    QStringList out;
    for (const MinerEntry& e : w->entries()) out << QString::fromStdString(e.text);
    return out;
}

QAction* Action(MinerResultsWindow* w, const char* name) { return w->findChild<QAction*>(QString::fromLatin1(name)); }

}  // namespace

class MinerWindowTest : public QObject {
    Q_OBJECT

    TempDir dir_;
    FakeMainWindow main_;
    QList<QUrl> opened_;

    MinerResultsWindow* Open(const MinerResult& r) {
        MinerResultsWindow* w = MinerResultsWindow::Open(main_, r);
        w->setUrlOpener([this](const QUrl& u) { opened_ << u; });
        return w;
    }

private slots:
    void init() {
        main_.appState.paths.IniPath = dir_ / "Ledgerly.ini";
        main_.appState.paths.DataFolder = dir_.str();
        main_.appState.paths.LinkHistoryPath = dir_ / "LinkHistory.dat";
        main_.appState.paths.AddressHistoryPath = dir_ / "History.lst";
        main_.appState.paths.NicknameFolder = dir_.str();
        main_.fakePrompter = {};
        main_.eudoraRunning = false;
        opened_.clear();
    }

    void controlsCarryTheirNamesAndCaptions() {
        QPointer<MinerResultsWindow> w = Open(LinkResult({{"cd", "http://cd"}}));
        QCOMPARE(w->windowTitle(), QStringLiteral("URL Miner - Inbox"));
        QCOMPARE(w->list()->objectName(), QStringLiteral("ListaURL"));
        QCOMPARE(w->list()->headerItem()->text(0), QStringLiteral("URL - HTTP - 1 Links"));
        auto* urlI = w->findChild<ui::ImageList*>(QStringLiteral("urlI"));
        QVERIFY(urlI);
        QCOMPARE(urlI->keys(), (QStringList{"e_mail", "x_options", "ftp", "web", "file", "finger", "news", "ph", "rtsp", "telnet"}));
        QVERIFY(w->findChild<ui::ImageList*>(QStringLiteral("formI"))->keys().contains("hat"));
        QVERIFY(!w->findChild<QLineEdit*>(QStringLiteral("sourceT"))->isVisible());
        QMenu* menu = w->findChild<QMenu*>(QStringLiteral("menuURL"));
        QVERIFY(menu);
        QStringList captions;
        for (QAction* a : menu->actions()) captions << (a->isSeparator() ? QStringLiteral("-") : a->text());
        QCOMPARE(captions, (QStringList{"&Execute", "&Copy", "View &Source", "Add to Link &History", "Add to Address &Book", "E&xport...",
                                        "&Delete", "Compose &Message", "-", "&Select All"}));
        QCOMPARE(Action(w, "menuCopy")->shortcut().toString(), QStringLiteral("Ctrl+C"));
        QCOMPARE(Action(w, "menuExport")->shortcut().toString(), QStringLiteral("Ctrl+E"));
        QVERIFY(Action(w, "menuLinija1")->isSeparator());
        // Miner mode: Execute shown, address book and compose hidden.
        QVERIFY(Action(w, "menuExecute")->isVisible());
        QVERIFY(!Action(w, "menuAddToAddressBook")->isVisible());
        QVERIFY(!w->findChild<QMenu*>(QStringLiteral("menuComposeMessage"))->menuAction()->isVisible());
        QCOMPARE(w->mode(), MinerMode::Links);
        w->close();
        QTRY_VERIFY(w.isNull());  // released when closed

        QPointer<MinerResultsWindow> h = Open(AddressResult("Inbox", {"a@b"}));
        QCOMPARE(h->windowTitle(), QStringLiteral("Inbox: 1 E-Mail Addresses"));
        QVERIFY(!Action(h, "menuExecute")->isVisible());
        QVERIFY(Action(h, "menuAddToAddressBook")->isVisible());
        QCOMPARE(Action(h, "menuAddToHistory")->text(), QStringLiteral("Add to Address &History"));
        QCOMPARE(h->mode(), MinerMode::Addresses);
        h->close();
    }

    void onAnEmptyListOnlyEscActs() {
        QPointer<MinerResultsWindow> w = Open(LinkResult({}));
        QGuiApplication::clipboard()->setText(QStringLiteral("kept"));
        for (int key : {Qt::Key_C, Qt::Key_E, Qt::Key_H, Qt::Key_A, Qt::Key_D, Qt::Key_S})
            QTest::keyClick(w->list(), static_cast<Qt::Key>(key), Qt::ControlModifier);
        QTest::keyClick(w->list(), Qt::Key_Return);
        QVERIFY(main_.fakePrompter.asked.isEmpty());
        QVERIFY(main_.fakePrompter.lastFilter.isEmpty());  // no export dialog
        QCOMPARE(QGuiApplication::clipboard()->text(), QStringLiteral("kept"));
        QVERIFY(!QFile::exists(QString::fromStdString(dir_ / "LinkHistory.dat")));
        QTest::keyClick(w->list(), Qt::Key_Escape);
        QTRY_VERIFY(w.isNull());
    }

    void copyNeedsOneSelectedEntryByKeyButNotFromTheMenu() {
        MinerResultsWindow* w = Open(LinkResult({{"a", "http://a"}, {"b", "http://b"}, {"c", "http://c"}}));
        Select(w, {0, 2});
        QGuiApplication::clipboard()->setText(QStringLiteral("kept"));
        QTest::keyClick(w->list(), Qt::Key_C, Qt::ControlModifier);
        QTest::keyClick(w->list(), Qt::Key_S, Qt::ControlModifier);
        QCOMPARE(QGuiApplication::clipboard()->text(), QStringLiteral("kept"));
        QVERIFY(!w->findChild<QLineEdit*>(QStringLiteral("sourceT"))->isVisible());
        QMenu* menu = w->findChild<QMenu*>(QStringLiteral("menuURL"));
        QTest::keyClick(w->list(), Qt::Key_F10, Qt::ShiftModifier);
        QTRY_VERIFY(menu->isVisible());
        QVERIFY(!Action(w, "menuViewSource")->isEnabled());
        QVERIFY(!Action(w, "menuExecute")->isEnabled());
        menu->hide();
        Select(w, {1});
        QTest::mouseRelease(w->list()->viewport(), Qt::RightButton, {}, QPoint(5, 5));
        QTRY_VERIFY(menu->isVisible());
        QVERIFY(Action(w, "menuViewSource")->isEnabled());
        menu->hide();
        QTest::keyClick(w->list(), Qt::Key_Menu);  // the keyboard's own menu key opens it too
        QTRY_VERIFY(menu->isVisible());
        menu->hide();
        Select(w, {0, 2});
        Action(w, "menuCopy")->trigger();
        QCOMPARE(QGuiApplication::clipboard()->text(), QStringLiteral("a\r\nc"));
        Select(w, {1});
        QTest::keyClick(w->list(), Qt::Key_C, Qt::ControlModifier);
        QCOMPARE(QGuiApplication::clipboard()->text(), QStringLiteral("b"));
        // Ctrl with Shift is neither Ctrl alone nor Shift alone.
        QTest::keyClick(w->list(), Qt::Key_D, Qt::ControlModifier | Qt::ShiftModifier);
        QCOMPARE(w->list()->topLevelItemCount(), 3);
        w->close();
    }

    void executeAsksFirst() {
        MinerResultsWindow* w = Open(LinkResult({{"ab", "news://ab"}}));
        Select(w, {0});
        main_.fakePrompter.answers = {false, true};
        QTest::keyClick(w->list(), Qt::Key_Return);
        QCOMPARE(main_.fakePrompter.asked, QStringList{"Warning - Ledgerly|Do you really want to execute\r\n'news://ab' ?"});
        QVERIFY(opened_.isEmpty());
        QTest::keyClick(w->list(), Qt::Key_Return);
        QCOMPARE(opened_, QList<QUrl>{QUrl(QStringLiteral("news://ab"))});
        w->close();

        // No Execute among the harvester's commands, not even by Enter.
        MinerResultsWindow* h = Open(AddressResult("Inbox", {"a@b"}));
        Select(h, {0});
        QTest::keyClick(h->list(), Qt::Key_Return);
        QCOMPARE(main_.fakePrompter.asked.size(), 2);
        h->close();
    }

    void viewSourceEditsTheTextAndKeepsTheTag() {
        MinerResultsWindow* w = Open(LinkResult({{"cd/e", "http://cd/e"}, {"x", "http://x"}}));
        auto* editor = w->findChild<QLineEdit*>(QStringLiteral("sourceT"));
        struct Case { Qt::Key key; QString typed; QString text; };
        for (const Case& c : {Case{Qt::Key_Escape, "zz", "cd/e"}, Case{Qt::Key_Tab, "zz", "cd/e"}, Case{Qt::Key_Return, "caf\u00e9", "caf\u00e9"}}) {
            Select(w, {0});
            QTest::keyClick(w->list(), Qt::Key_S, Qt::ControlModifier);
            QVERIFY(editor->isVisible());
            QCOMPARE(editor->text(), QStringLiteral("http://cd/e"));
            QCOMPARE(editor->selectedText(), QStringLiteral("http://cd/e"));
            QVERIFY(!w->list()->isEnabled());
            editor->setText(c.typed);
            QTest::keyClick(editor, c.key);
            QVERIFY(!editor->isVisible());
            QVERIFY(w->list()->isEnabled());
            QCOMPARE(w->list()->topLevelItem(0)->text(0), c.text);
        }
        QCOMPARE(w->entries()[0].tag, std::string("http://cd/e"));
        QCOMPARE(w->entries()[0].text, std::string("caf\xE9"));  // stored as Windows-1252
        // The link history takes the edited text.
        WriteFile(dir_ / "LinkHistory.dat", "");
        QTest::keyClick(w->list(), Qt::Key_H, Qt::ControlModifier);
        QCOMPARE(ReadFile(dir_ / "LinkHistory.dat"), LinkHistoryRecord("caf\xE9"));
        w->close();
    }

    void deleteAndSelectAll() {
        MinerResultsWindow* w = Open(LinkResult({{"a", "http://a"}, {"b", "http://b"}, {"c", "http://c"}, {"d", "http://d"}}));
        Select(w, {1, 3});
        QTest::keyClick(w->list(), Qt::Key_D, Qt::ControlModifier);
        QCOMPARE(Texts(w), (QStringList{"a", "c"}));
        QTest::keyClick(w->list(), Qt::Key_A, Qt::ControlModifier);
        QCOMPARE(w->list()->selectedItems().size(), 2);
        QTest::keyClick(w->list(), Qt::Key_D, Qt::ControlModifier);
        QCOMPARE(w->list()->topLevelItemCount(), 0);
        w->close();
    }

    void exportWritesTheChosenFormat() {
        MinerResultsWindow* w = Open(AddressResult("Inbox", {"a", "b", "c"}));
        Select(w, {0, 1});
        struct Case { int filter; QString file; std::string bytes; };
        for (const Case& c : {Case{0, "x.csv", "Inbox,a,b"}, Case{1, "x.txt", "Inbox\ta\tb"}, Case{2, "x.lst", "Inbox\r\na\r\nb"}}) {
            const QString path = QString::fromStdString(dir_ / c.file.toStdString());
            main_.fakePrompter.files = {path};
            main_.fakePrompter.chosenFilterIndex = c.filter;
            QTest::keyClick(w->list(), Qt::Key_E, Qt::ControlModifier);
            QCOMPARE(ReadFile(path.toStdString()), c.bytes);
        }
        QCOMPARE(main_.fakePrompter.lastTitle, QStringLiteral("Export E-Mail Addresses"));
        QCOMPARE(main_.fakePrompter.lastFilter,
                 QStringLiteral("Comma Separated Value Files (*.csv);;Tab Delimited Value Files (*.txt);;List Files (*.lst)"));
        main_.fakePrompter.files = {};  // cancelled
        QTest::keyClick(w->list(), Qt::Key_E, Qt::ControlModifier);
        w->close();
    }

    void historyAndAddressBook() {
        // A missing history file leaves the entry disabled, and Ctrl+H writes nothing.
        MinerResultsWindow* w = Open(AddressResult("Inbox", {"a@b", "c@d"}));
        Action(w, "menuAddToHistory")->setEnabled(false);
        Select(w, {0, 1});
        QTest::keyClick(w->list(), Qt::Key_H, Qt::ControlModifier);
        QVERIFY(!QFile::exists(QString::fromStdString(dir_ / "History.lst")));
        Action(w, "menuAddToHistory")->setEnabled(true);
        QTest::keyClick(w->list(), Qt::Key_H, Qt::ControlModifier);
        QCOMPARE(ReadFile(dir_ / "History.lst"), std::string("a@b\r\nc@d\r\n"));
        QTest::keyClick(w->list(), Qt::Key_B, Qt::ControlModifier);
        QCOMPARE(ReadFile(dir_ / "Inbox.txt"), NicknameLines("a@b", "Inbox") + NicknameLines("c@d", "Inbox"));
        // A second window of another mailbox writes to its own nickname file.
        MinerResultsWindow* work = Open(AddressResult("Work", {"e@f"}));
        Select(work, {0});
        QTest::keyClick(work->list(), Qt::Key_B, Qt::ControlModifier);
        QCOMPARE(ReadFile(dir_ / "Work.txt"), NicknameLines("e@f", "Work"));
        // Refused while Eudora runs.
        main_.eudoraRunning = true;
        QTest::keyClick(work->list(), Qt::Key_B, Qt::ControlModifier);
        QTest::keyClick(work->list(), Qt::Key_H, Qt::ControlModifier);
        QCOMPARE(main_.fakePrompter.informed, (QStringList{"Ledgerly|Please close Eudora before performing this action.",
                                                          "Ledgerly|Please close Eudora before performing this action."}));
        QCOMPARE(ReadFile(dir_ / "Work.txt"), NicknameLines("e@f", "Work"));
        w->close();
        work->close();
    }

    void composeHandsAMailtoToTheDesktop() {
        MinerResultsWindow* w = Open(AddressResult("Inbox", {"a@b", "c@d"}));
        Select(w, {0, 1});
        w->compose(MinerResultsWindow::Compose::To);
        w->compose(MinerResultsWindow::Compose::CC);
        w->compose(MinerResultsWindow::Compose::BCC);
        QCOMPARE(opened_.size(), 3);
        QCOMPARE(opened_[0], QUrl(QStringLiteral("mailto:a@b, c@d"), QUrl::TolerantMode));
        QCOMPARE(opened_[1], QUrl(QStringLiteral("mailto:?cc=a@b, c@d"), QUrl::TolerantMode));
        QCOMPARE(opened_[2], QUrl(QStringLiteral("mailto:?bcc=a@b, c@d"), QUrl::TolerantMode));
        w->close();
    }

    void placementIsClampedAndSaved() {
        const std::string ini = main_.appState.paths.IniPath;
        WriteIni("Windows", "MinerWidth", "30000", ini);
        WriteIni("Windows", "MinerHeight", "6000", ini);
        WriteIni("Windows", "MinerTop", "-50", ini);
        WriteIni("Windows", "MinerLeft", "1440", ini);
        WriteIni("Windows", "MinerState", "0", ini);
        MinerResultsWindow* w = Open(LinkResult({}));
        const int dpi = w->logicalDpiX();
        QCOMPARE(w->width(), 3200 * dpi / 1440);
        QCOMPARE(w->height(), 6000 * w->logicalDpiY() / 1440);
        w->close();
        QCOMPARE(ReadIni("Windows", "MinerWidth", "", ini), std::to_string(static_cast<long long>(w->width()) * 1440 / dpi));
        QCOMPARE(ReadIni("Windows", "MinerState", "", ini), std::string("0"));
    }

    void commandsOpenWindowsAndLeaveReady() {
        WriteFile(dir_ / "In.mbx", "From ???@??? Mon\r\nTo: a@b\r\nmailto:a@b http://c\r\n");
        main_.key = dir_ / "In.mbx";
        main_.statuses.clear();
        for (const char* name : {"menuExtractAll", "menuWebAddresses", "menuHarvestEMailAddresses"}) {
            main_.eudoraRunning = std::string(name) == "menuHarvestEMailAddresses";  // reading only: no refusal
            QVERIFY(ui::RunCommand(name, main_));
            QVERIFY(main_.waitForTool());
        }
        const QList<MinerResultsWindow*> windows = main_.widget.findChildren<MinerResultsWindow*>();
        QCOMPARE(windows.size(), 3);
        QStringList titles;
        for (MinerResultsWindow* w : windows) titles << w->windowTitle() + "|" + w->list()->headerItem()->text(0);
        titles.sort();
        QCOMPARE(titles, (QStringList{"In: 1 E-Mail Addresses|E-Mail Addresses", "URL Miner - In|URL - All - 2 Links",
                                      "URL Miner - In|URL - HTTP - 1 Links"}));
        QCOMPARE(main_.runs, 3);
        QVERIFY(main_.fakePrompter.asked.isEmpty());  // reading only: no question
        QCOMPARE(main_.statuses.last(), QStringLiteral("Ready"));
        QVERIFY(main_.statuses.contains(QStringLiteral("2 entries")));
        for (MinerResultsWindow* w : windows) w->close();

        for (const char* name : {"menuExtractEMails", "menuFileReferences", "menuFTPLinks", "menuTelnetLinks", "menuUsenetLinks",
                                 "menuPhLinks", "menuFingerLinks", "menuRTSPLinks", "menuXOptionsLinks"})
            QVERIFY2(ui::FindCommand(name), name);

        main_.key = dir_ / "Gone.mbx";
        main_.fakePrompter.informed.clear();
        QVERIFY(ui::RunCommand("menuExtractEMails", main_));
        QCOMPARE(main_.fakePrompter.informed, QStringList{"Ledgerly|MBX-file not found."});
        main_.empty = true;
        QVERIFY(ui::RunCommand("menuHarvestEMailAddresses", main_));
        QCOMPARE(main_.fakePrompter.informed.size(), 1);
        main_.empty = false;
    }
};

QTEST_MAIN(MinerWindowTest)
#include "tst_MinerResultsWindow.moc"
