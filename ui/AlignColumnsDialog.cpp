#include "ui/AlignColumnsDialog.h"

#include <QCloseEvent>
#include <QDateTime>
#include <QFontDatabase>
#include <QHBoxLayout>
#include <QHeaderView>
#include <QLabel>
#include <QPainter>
#include <QPushButton>
#include <QTreeWidget>
#include <QVBoxLayout>
#include <cmath>
#include <cstdio>
#include <memory>

#include "app/FileHelpers.h"
#include "app/IniFile.h"
#include "app/Messages.h"
#include "app/TextHelpers.h"
#include "store/Mailbox.h"
#include "ui/CommandPattern.h"
#include "ui/MainWindowApi.h"
#include "ui/Placement.h"
#include "ui/Prompter.h"
#include "ui/ToolRunner.h"
#include "ui/Twips.h"

namespace ledgerly::ui {
namespace {

constexpr double kCellTwips = 120.0;

// The decorative strip under the list: the "columns" picture.
QPixmap ColumnsPicture(int width, int height) {
    QPixmap pix(std::max(width, 1), std::max(height, 1));
    pix.fill(QColor(0xEE, 0xF1, 0xF6));
    QPainter p(&pix);
    p.setPen(QColor(0x9A, 0xA7, 0xBB));
    for (int x = 8; x < width; x += 48) p.drawLine(x, 4, x, height - 5);
    p.setPen(QColor(0x4A, 0x6F, 0xA5));
    p.drawText(pix.rect().adjusted(12, 0, 0, 0), Qt::AlignVCenter | Qt::AlignLeft,
               QObject::tr("Drag the column dividers, then Apply."));
    return pix;
}

QString Trimmed(double value) {
    char buf[32];
    std::snprintf(buf, sizeof buf, "%.7g", value);
    return QString::fromLatin1(buf);
}

}  // namespace

AlignColumnsDialog::AlignColumnsDialog(MainWindowApi& main, std::string folderKey, const QString& nodeText)
    : QDialog(main.window()), main_(main), tag_(std::move(folderKey)) {
    setObjectName(QStringLiteral("prozorF"));
    FitWhenShown(*this);  // large enough for its texts and columns
    // A folder's key ends in the separator; without it "Work.fol" would also
    // take in the mailboxes of a sibling "Work.fol2".
    if (!IsMailboxKey(tag_)) tag_ = WithTrailingSeparator(tag_);
    const qsizetype paren = nodeText.indexOf(QLatin1Char('('));
    setWindowTitle(paren >= 0 ? QStringLiteral("Align Columns >> Mailbox: ") + nodeText.left(paren)
                              : QStringLiteral("Align Columns >> Mailfolder: ") + nodeText);

    list_ = new QTreeWidget(this);
    list_->setObjectName(QStringLiteral("ListaPrimer"));
    list_->setProperty(kKeepColumnWidths, true);  // the widths are what Apply writes
    list_->setRootIsDecorated(false);
    list_->setColumnCount(9);
    list_->setHeaderLabels({"S", "P", "A", "Label", "Who", "Date", "K", "V", "Subject"});
    QFont fixed(QStringLiteral("Courier New"));
    fixed.setStyleHint(QFont::Monospace);
    if (!QFontInfo(fixed).fixedPitch()) fixed = QFontDatabase::systemFont(QFontDatabase::FixedFont);
    list_->setFont(fixed);
    list_->header()->setFont(fixed);
    list_->header()->setSectionsClickable(false);  // flat, non-button headers
    list_->header()->setStretchLastSection(false);
    list_->header()->setMinimumSectionSize(1);
    auto* row = new QTreeWidgetItem(list_);
    const QStringList texts = {"F", "H", "A", " |> ", "Doe, Jane (jane.doe@example.com)",
                               QDateTime::currentDateTime().toString(QStringLiteral("hh:mm AP d/M/yyyy")), "1000", "D",
                               "blah... blah..."};
    for (int c = 0; c < texts.size(); ++c) row->setText(c, texts[c]);
    connect(list_->header(), &QHeaderView::sectionResized, this, [this](int section, int, int newSize) {
        if (section >= 8) return;
        if (!settingWidths_) widths_[static_cast<std::size_t>(section)] = newSize / CellPx();  // a drag
        FitSubject();
    });
    list_->viewport()->installEventFilter(this);

    strip_ = new QLabel(this);
    strip_->setObjectName(QStringLiteral("pozadinaP"));
    strip_->setFixedHeight(28);

    apply_ = new QPushButton(QStringLiteral("&Apply"), this);
    apply_->setObjectName(QStringLiteral("applyD"));
    close_ = new QPushButton(QStringLiteral("&Close"), this);
    close_->setObjectName(QStringLiteral("closeD"));
    connect(apply_, &QPushButton::clicked, this, &AlignColumnsDialog::Apply);
    connect(close_, &QPushButton::clicked, this, &QDialog::close);

    auto* buttons = new QHBoxLayout;
    buttons->addWidget(strip_, 1);
    buttons->addWidget(apply_);
    buttons->addWidget(close_);
    auto* layout = new QVBoxLayout(this);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->addWidget(list_, 1);
    layout->addLayout(buttons);

    const std::string& ini = main_.state().paths.IniPath;
    auto number = [&](const char* section, const char* key, double fallback) {
        const auto v = ReadIniNumber(section, key, ini);
        return v ? static_cast<double>(*v) : fallback;
    };
    setMinimumWidth(TwipsToPixelsX(*this, 4000));
    setMinimumHeight(TwipsToPixelsY(*this, 2000));
    setMaximumHeight(TwipsToPixelsY(*this, 3500));
    auto twips = [&](const char* key, double fallback) { return static_cast<long long>(number("Settings", key, fallback)); };
    move(TwipsToPixelsX(*this, twips("SampleMailboxLeft", 0)), TwipsToPixelsY(*this, twips("SampleMailboxTop", 0)));
    resize(TwipsToPixelsX(*this, twips("SampleMailboxWidth", 2000)), TwipsToPixelsY(*this, twips("SampleMailboxHeight", 2000)));
    KeepOnScreen(*this);
    // The stored widths' integer parts.
    ColumnWidthSet widths = kDefaultColumnWidths;
    for (std::size_t i = 0; i < widths.size(); ++i) widths[i] = std::floor(number("Columns", kColumnKeys[i], widths[i]));
    SetWidths(widths);
}

double AlignColumnsDialog::CellPx() const { return kCellTwips * logicalDpiX() / 1440.0; }

void AlignColumnsDialog::SetWidths(const ColumnWidthSet& widths) {
    settingWidths_ = true;
    for (std::size_t c = 0; c < widths_.size(); ++c) {
        widths_[c] = std::max(widths[c], 0.0);
        list_->setColumnWidth(static_cast<int>(c), static_cast<int>(std::lround(widths_[c] * CellPx())));
    }
    settingWidths_ = false;
    FitSubject();
}

void AlignColumnsDialog::FitSubject() {
    int others = 0;
    for (int c = 0; c < 8; ++c) others += list_->columnWidth(c);
    list_->setColumnWidth(8, std::max(list_->viewport()->width() - others, 20));
}

bool AlignColumnsDialog::eventFilter(QObject* watched, QEvent* event) {
    if (watched == list_->viewport() && event->type() == QEvent::Resize) FitSubject();
    return QDialog::eventFilter(watched, event);
}

void AlignColumnsDialog::resizeEvent(QResizeEvent* event) {
    QDialog::resizeEvent(event);
    strip_->setPixmap(ColumnsPicture(strip_->width(), strip_->height()));
}

void AlignColumnsDialog::Apply() {
    if (main_.host().EudoraRunning()) {
        main_.prompter().information(this, QString::fromUtf8(msg::kCloseEudora));
        return;
    }
    // The mailboxes below the folder, in tree order, with the text the status bar shows for each.
    std::vector<std::pair<std::string, std::string>> targets;
    for (const MainWindowApi::TreeEntry& node : main_.treeNodes()) {
        const std::string& key = node.key;
        if (key.size() < tag_.size() || !EqualsNoCase(std::string_view(key).substr(0, tag_.size()), tag_)) continue;
        if (!EndsWithNoCase(key, ".mbx")) continue;
        const qsizetype paren = node.text.indexOf(QLatin1Char('('));
        targets.emplace_back(key, (paren >= 0 ? node.text.left(paren) : node.text).toStdString());
    }
    const QString question = QStringLiteral("Write these column widths into the %1 mailbox(es) of '%2'?\n\n"
                                            "The TOC files' headers change in place; no backup is made.")
                                 .arg(targets.size())
                                 .arg(QString::fromLocal8Bit(tag_.c_str()));
    if (targets.empty() || !ConfirmChange(main_, "menuAlignColumns", question)) return;

    auto refused = std::make_shared<std::vector<std::string>>();
    ToolJob job;
    job.title = QStringLiteral("Align Columns");
    job.owner = this;
    job.work = [targets, refused, widths = Widths()](ToolContext& context) {
        for (const auto& [key, label] : targets) {
            context.host.Status(label);
            if (auto r = WriteColumnWidths(key.substr(0, key.size() - 3), widths); !r) refused->push_back(r.error());
        }
    };
    applying_ = main_.runner().start(std::move(job));
    if (applying_) main_.runner().waitUntilIdle();
    applying_ = false;
    if (refused->empty()) return;
    QStringList lines;
    for (const std::string& r : *refused) lines << QString::fromUtf8(r.c_str());
    main_.prompter().information(this, QStringLiteral("These mailboxes were left unchanged:\n") + lines.join(QLatin1Char('\n')));
}

void AlignColumnsDialog::SaveSettings() {
    if (saved_) return;
    saved_ = true;
    const std::string& ini = main_.state().paths.IniPath;
    auto put = [&](const char* section, const char* key, double value) { WriteIni(section, key, Trimmed(value).toStdString(), ini); };
    put("Settings", "SampleMailboxHeight", static_cast<double>(PixelsToTwipsY(*this, height())));
    put("Settings", "SampleMailboxWidth", static_cast<double>(PixelsToTwipsX(*this, width())));
    put("Settings", "SampleMailboxTop", static_cast<double>(PixelsToTwipsY(*this, y())));
    put("Settings", "SampleMailboxLeft", static_cast<double>(PixelsToTwipsX(*this, x())));
    const ColumnWidthSet widths = Widths();
    for (std::size_t i = 0; i < widths.size(); ++i) put("Columns", kColumnKeys[i], widths[i]);
}

void AlignColumnsDialog::done(int result) {
    if (applying_) return;  // the window waits for its widths to be written
    SaveSettings();
    QDialog::done(result);
}

void AlignColumnsDialog::closeEvent(QCloseEvent* event) {
    if (applying_) {
        event->ignore();
        return;
    }
    SaveSettings();
    QDialog::closeEvent(event);
}

}  // namespace ledgerly::ui
