#include "ui/Palettes.h"

#include <QCloseEvent>
#include <QScreen>
#include <QToolBar>
#include <QToolButton>
#include <QVBoxLayout>

#include "app/IniFile.h"
#include "ui/Pictures.h"
#include "ui/Twips.h"
#include "ui/MainWindow.h"

namespace ledgerly::ui {
namespace {

constexpr PaletteButton kFlagging[] = {
    {"received", "Mark All Messages Received", "In", "menuMarkAllReceived_Click"},
    {"sent", "Mark All Messages Sent", "Out", "menuMarkAllSent_Click"},
    {"duplicates", "Mark Duplicates (Classic)", "D", "menuMarkDuplicatesClassic_Click"},
    {"duplicates_hash", "Mark Duplicates (Hash)", "D#", "menuMarkDuplicatesHash_Click"},
    {"s_r", "Update Sent/Received Status", "S/R", "menuUpdateSR_Click"},
    {"priority", "Update Priority", "!", "menuUpdatePriority_Click"},
    {"attachment", "Update Attachment", "@", "menuUpdateAttachment_Click"},
    {"date", "Update Date", "Dt", "menuUpdateDate_Click"},
    {"subject", "Update Subject", "Sb", "menuUpdateSubject_Click"},
    {"who", "Update 'Who' Fields", "W", "menuUpdateWho_Click"},
};

constexpr PaletteButton kSpecial[] = {
    {"run_script", "Run Script...", ">_", "menuRunScript_Click"},
    {"harvest", "Harvest E-Mail Addresses...", "@+", "menuHarvestEMailAddresses_Click"},
    {"strip_html", "Strip HTML Tags", "<>", "menuStripHTMLTags_Click"},
    {"link_attachments", "Link Attachments...", "Lnk", "menuUpdateAttachmentLinks_Click"},
    {"quoted_printable", "Decode Quoted Printable", "=QP", "menuDecodeQP_Click"},
    {"repair_delimiters", "Repair Message Delimiters", "Fix", "menuFixLastTag_Click"},
    {"backup", "Create Backup", "Bak", "menuCreateBackup_Click"},
};

constexpr PaletteButton kMining[] = {
    {"e_mail", "E-Mail Links", "@", "menuExtractEMails_Click"},
    {"web", "Web Links", "www", "menuWebAddresses_Click"},
    {"file", "File References", "F", "menuFileReferences_Click"},
    {"ftp", "FTP Links", "ftp", "menuFTPLinks_Click"},
    {"telnet", "Telnet Links", "tel", "menuTelnetLinks_Click"},
    {"news", "Usenet News Links", "N", "menuUsenetLinks_Click"},
    {"ph", "Ph Links", "ph", "menuPhLinks_Click"},
    {"finger", "Finger Links", "fng", "menuFingerLinks_Click"},
    {"rtsp", "RTSP Links", "rtp", "menuRTSPLinks_Click"},
    {"x_options", "X-Eudora-Options", "X", "menuXOptionsLinks_Click"},
};

// A saved palette position: below 0 or above 22000 twips it is 0.
long long Clamped(std::optional<long long> twips) {
    if (!twips || *twips < 0 || *twips > 22000) return 0;
    return *twips;
}

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
        images_->add(QString::fromLatin1(b.key), PaletteIcon(static_cast<int>(kind), QString::fromLatin1(b.label)));

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
    const long long top = Clamped(ReadIniNumber("Windows", prefix + "Top", ini));
    const long long left = Clamped(ReadIniNumber("Windows", prefix + "Left", ini));
    move(TwipsToPixelsX(*this, left), TwipsToPixelsY(*this, top));
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
            QMetaObject::invokeMethod(&main_, b.handler, Qt::DirectConnection);
            return;
        }
    }
}

void ToolPalette::closeEvent(QCloseEvent* event) {
    const std::string& ini = state_.paths.IniPath;
    const std::string prefix(settingsPrefix_);
    const QPoint at = frameGeometry().topLeft();
    WriteIni("Windows", prefix + "Top", std::to_string(PixelsToTwipsY(*this, at.y())), ini);
    WriteIni("Windows", prefix + "Left", std::to_string(PixelsToTwipsX(*this, at.x())), ini);
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
