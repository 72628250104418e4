#include "ui/Palettes.h"

#include <QCloseEvent>
#include <QScreen>
#include <QToolBar>
#include <QToolButton>
#include <QVBoxLayout>

#include "app/IniFile.h"
#include "ui/Pictures.h"
#include "ui/Placement.h"
#include "ui/Settings.h"
#include "ui/Twips.h"
#include "ui/MainWindow.h"

namespace ledgerly::ui {
namespace {

constexpr PaletteButton kFlagging[] = {
    {"received", "Mark All Messages Received", "mail-mark-read", "In", "menuMarkAllReceived"},
    {"sent", "Mark All Messages Sent", "mail-send", "Out", "menuMarkAllSent"},
    {"duplicates", "Mark Duplicates (Classic)", "edit-copy", "D", "menuMarkDuplicatesClassic"},
    {"duplicates_hash", "Mark Duplicates (Hash)", "edit-find", "D#", "menuMarkDuplicatesHash"},
    {"s_r", "Update Sent/Received Status", "mail-send-receive", "S/R", "menuUpdateSR"},
    {"priority", "Update Priority", "mail-mark-important", "!", "menuUpdatePriority"},
    {"attachment", "Update Attachment", "mail-attachment", "@", "menuUpdateAttachment"},
    {"date", "Update Date", "x-office-calendar", "Dt", "menuUpdateDate"},
    {"subject", "Update Subject", "format-text-bold", "Sb", "menuUpdateSubject"},
    {"who", "Update 'Who' Fields", "contact-new", "W", "menuUpdateWho"},
};

constexpr PaletteButton kSpecial[] = {
    {"run_script", "Run Script...", "system-run", ">_", "menuRunScript"},
    {"harvest", "Harvest E-Mail Addresses...", "address-book-new", "@+", "menuHarvestEMailAddresses"},
    {"strip_html", "Strip HTML Tags", "text-html", "<>", "menuStripHTMLTags"},
    {"link_attachments", "Link Attachments...", "mail-attachment", "Lnk", "menuUpdateAttachmentLinks"},
    {"quoted_printable", "Decode Quoted Printable", "text-x-generic", "=QP", "menuDecodeQP"},
    {"repair_delimiters", "Repair Message Delimiters", "document-properties", "Fix", "menuFixLastTag"},
    {"backup", "Create Backup", "document-save-as", "Bak", "menuCreateBackup"},
};

constexpr PaletteButton kMining[] = {
    {"e_mail", "E-Mail Links", "mail-message-new", "@", "menuExtractEMails"},
    {"web", "Web Links", "applications-internet", "www", "menuWebAddresses"},
    {"file", "File References", "folder", "F", "menuFileReferences"},
    {"ftp", "FTP Links", "folder-remote", "ftp", "menuFTPLinks"},
    {"telnet", "Telnet Links", "utilities-terminal", "tel", "menuTelnetLinks"},
    {"news", "Usenet News Links", "internet-news-reader", "N", "menuUsenetLinks"},
    {"ph", "Ph Links", "x-office-address-book", "ph", "menuPhLinks"},
    {"finger", "Finger Links", "dialog-information", "fng", "menuFingerLinks"},
    {"rtsp", "RTSP Links", "applications-multimedia", "rtp", "menuRTSPLinks"},
    {"x_options", "X-Eudora-Options", "preferences-system", "X", "menuXOptionsLinks"},
};

// A saved palette position: below 0 or above 22000 twips it is 0.
long long Clamped(long long twips) { return twips < 0 || twips > 22000 ? 0 : twips; }

}  // namespace

ToolPalette::ToolPalette(MainWindow& main, PaletteKind kind, const char* windowName, const char* caption, const char* toolbarName,
                         const char* imageListName, const char* settingsPrefix, std::span<const PaletteButton> buttons)
    : QWidget(&main, Qt::Tool), main_(main), state_(main.state()), kind_(kind), settingsPrefix_(settingsPrefix), buttons_(buttons) {
    setAttribute(Qt::WA_DeleteOnClose);
    setObjectName(QString::fromLatin1(windowName));
    setWindowTitle(QString::fromLatin1(caption));
    shownFlag() = true;

    images_ = new ImageList(QString::fromLatin1(imageListName), this);
    for (const PaletteButton& b : buttons_)
        images_->add(QString::fromLatin1(b.key),
                     QIcon::fromTheme(QString::fromLatin1(b.icon), PaletteIcon(static_cast<int>(kind), QString::fromLatin1(b.label))));

    toolbar_ = new QToolBar(this);
    toolbar_->setObjectName(QString::fromLatin1(toolbarName));
    toolbar_->setIconSize(QSize(24, 24));
    for (const PaletteButton& b : buttons_) {
        const QString key = QString::fromLatin1(b.key);
        QAction* a = toolbar_->addAction(images_->icon(key), QString::fromLatin1(b.tooltip));
        a->setObjectName(key);
        a->setToolTip(QString::fromLatin1(b.tooltip));
        if (QWidget* w = toolbar_->widgetForAction(a)) w->setObjectName(key);
        connect(a, &QAction::triggered, this, [this, key] { buttonClicked(key); });
    }
    auto* layout = new QVBoxLayout(this);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->addWidget(toolbar_);
    setFixedSize(sizeHint());

    const std::string& ini = state_.paths.IniPath;
    const std::string prefix(settingsPrefix_);
    const auto top = ReadIniNumber("Windows", prefix + "Top", ini);
    const auto left = ReadIniNumber("Windows", prefix + "Left", ini);
    // Without a saved place the main window puts the palette beside itself.
    needsPlacing_ = !top && !left;
    move(TwipsToPixelsX(*this, Clamped(left.value_or(0))), TwipsToPixelsY(*this, Clamped(top.value_or(0))));
    if (!needsPlacing_) KeepOnScreen(*this);
}

ToolPalette::~ToolPalette() { shownFlag() = false; }

bool& ToolPalette::shownFlag() {
    AppState& s = state_;
    switch (kind_) {
    case PaletteKind::Special: return s.SpecialToolsShown;
    case PaletteKind::Mining: return s.MiningToolsShown;
    case PaletteKind::Flagging: break;
    }
    return s.FlaggingToolsShown;
}

void ToolPalette::buttonClicked(const QString& key) {
    if (main_.treeEmpty()) return;
    for (const PaletteButton& b : buttons_) {
        if (key == QLatin1String(b.key)) {
            main_.runCommand(b.command);
            return;
        }
    }
}

void ToolPalette::closeEvent(QCloseEvent* event) {
    const std::string& ini = state_.paths.IniPath;
    const std::string prefix(settingsPrefix_);
    const QPoint at = frameGeometry().topLeft();
    const bool placedByUser = !needsPlacing_ && !(hasAutoPlace_ && pos() == autoPlacedAt_);
    if (placedByUser) {
        KeepSetting("Windows", prefix + "Top", std::to_string(PixelsToTwipsY(*this, at.y())), "", ini);
        KeepSetting("Windows", prefix + "Left", std::to_string(PixelsToTwipsX(*this, at.x())), "", ini);
    }
    shownFlag() = false;
    main_.paletteClosed(kind_);
    event->accept();
}

FlaggingToolsPalette::FlaggingToolsPalette(MainWindow& main)
    : ToolPalette(main, PaletteKind::Flagging, "TFlaggingF", "Flagging Tools", "flagging_tools", "FlaggingToolsI", "FlaggingTools", kFlagging) {}

SpecialToolsPalette::SpecialToolsPalette(MainWindow& main)
    : ToolPalette(main, PaletteKind::Special, "TSpecialF", "Special Tools", "special_tools", "SpecialToolsI", "SpecialTools", kSpecial) {}

MiningToolsPalette::MiningToolsPalette(MainWindow& main)
    : ToolPalette(main, PaletteKind::Mining, "TMiningF", "Mining Tools", "mining_tools", "MiningToolsI", "MiningTools", kMining) {}

}  // namespace ledgerly::ui
