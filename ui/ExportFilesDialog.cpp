#include "ui/ExportFilesDialog.h"

#include <QCheckBox>
#include <QCloseEvent>
#include <QComboBox>
#include <QDir>
#include <QFileInfo>
#include <QGridLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QPushButton>
#include <QVBoxLayout>
#include <memory>

#include "app/CommandChecks.h"
#include "app/FileHelpers.h"
#include "app/IniFile.h"
#include "export/ExportFiles.h"
#include "store/Mailbox.h"
#include "ui/MainWindowApi.h"
#include "ui/Prompter.h"
#include "ui/ToolRunner.h"
#include "ui/Placement.h"

namespace ledgerly::ui {
namespace {

constexpr const char* kObjectName = "izvozF";

QString Q(const std::string& utf8) { return QString::fromStdString(utf8); }

bool IsFolder(const QString& path) { return !path.isEmpty() && QFileInfo(path).isDir(); }

}  // namespace

ExportFilesDialog* ExportFilesDialog::Current(MainWindowApi& main) {
    // A window that was closed waits hidden for its deletion: it no longer counts.
    for (ExportFilesDialog* w : main.window()->findChildren<ExportFilesDialog*>(QString::fromLatin1(kObjectName), Qt::FindDirectChildrenOnly))
        if (w->isVisible()) return w;
    return nullptr;
}

ExportFilesDialog* ExportFilesDialog::Open(MainWindowApi& main, const std::string& mbxPath) {
    ExportFilesDialog* w = Current(main);
    if (!w) w = new ExportFilesDialog(main);
    w->SetMailbox(mbxPath);
    w->show();
    w->raise();
    w->activateWindow();
    return w;
}

ExportFilesDialog::ExportFilesDialog(MainWindowApi& main) : QDialog(main.window()), main_(main) {
    setObjectName(QString::fromLatin1(kObjectName));
    FitWhenShown(*this);  // large enough for its texts and columns
    setAttribute(Qt::WA_DeleteOnClose);
    setModal(false);

    ExportFrame_ = new QGroupBox(tr("Destination Folder"), this);
    ExportFrame_->setObjectName("ExportFrame");
    folderT_ = new QLineEdit(ExportFrame_);
    folderT_->setObjectName("folderT");
    browseD_ = new QPushButton(tr("&..."), ExportFrame_);
    browseD_->setObjectName("browseD");
    fileList_ = new QListWidget(ExportFrame_);
    fileList_->setObjectName("FLB");
    auto* folderRow = new QHBoxLayout;
    folderRow->addWidget(folderT_, 1);
    folderRow->addWidget(browseD_);
    auto* frameLayout = new QVBoxLayout(ExportFrame_);
    frameLayout->addLayout(folderRow);
    frameLayout->addWidget(fileList_, 1);

    htmlC_ = new QCheckBox(tr("Preserve &HTML Formatting"), this);
    htmlC_->setObjectName("htmlC");
    headersL_ = new QLabel(tr("Save &Headers"), this);
    headersL_->setObjectName("headersL");
    headersC_ = new QComboBox(this);
    headersC_->setObjectName("headersC");
    headersC_->setEditable(false);
    headersC_->addItems({"All", "Compact", "None"});
    headersL_->setBuddy(headersC_);
    extensionL_ = new QLabel(tr("File &Extension"), this);
    extensionL_->setObjectName("extensionL");
    extensionC_ = new QComboBox(this);
    extensionC_->setObjectName("extensionC");
    extensionC_->setEditable(true);
    extensionC_->setInsertPolicy(QComboBox::NoInsert);
    extensionC_->addItems({"txt", "eml", "html"});
    extensionL_->setBuddy(extensionC_);

    proceedD_ = new QPushButton(tr("&Proceed"), this);
    proceedD_->setObjectName("proceedD");
    proceedD_->setDefault(true);
    abortD_ = new QPushButton(tr("&Abort"), this);
    abortD_->setObjectName("abortD");

    auto* options = new QGridLayout;
    options->addWidget(headersL_, 0, 0);
    options->addWidget(headersC_, 0, 1);
    options->addWidget(extensionL_, 1, 0);
    options->addWidget(extensionC_, 1, 1);
    auto* buttons = new QHBoxLayout;
    buttons->addStretch(1);
    buttons->addWidget(proceedD_);
    buttons->addWidget(abortD_);
    auto* layout = new QVBoxLayout(this);
    layout->addWidget(ExportFrame_, 1);
    layout->addWidget(htmlC_);
    layout->addLayout(options);
    layout->addLayout(buttons);

    // The saved folder, when it still exists; without one there is nothing to export to yet.
    const QString saved = Q(ReadIni("Settings", "ExportDir", "", main_.state().paths.IniPath));
    headersC_->setCurrentIndex(0);
    extensionC_->setCurrentIndex(0);
    if (IsFolder(saved)) {
        ShowFolder(saved);
    } else {
        proceedD_->setEnabled(false);
    }

    connect(browseD_, &QPushButton::clicked, this, &ExportFilesDialog::Browse);
    connect(proceedD_, &QPushButton::clicked, this, &ExportFilesDialog::Proceed);
    connect(abortD_, &QPushButton::clicked, this, &QDialog::close);
    connect(extensionC_, &QComboBox::currentTextChanged, this, &ExportFilesDialog::ExtensionChanged);
    // A folder typed by hand is listed as soon as it exists.
    connect(folderT_, &QLineEdit::textEdited, this, [this](const QString& text) {
        if (IsFolder(text)) ShowFolder(text);
    });
}

void ExportFilesDialog::SetMailbox(const std::string& mbxPath) {
    mbxPath_ = mbxPath;
    tocPath_ = TocPathOf(mbxPath);
    setWindowTitle(tr("Export Messages from Mailbox '%1' to Files").arg(Q(GetFileName(mbxPath, true))));
}

void ExportFilesDialog::ShowFolder(const QString& folder) {
    if (folderT_->text() != folder) folderT_->setText(folder);
    exportFolder_ = folder.toStdString();
    fileList_->clear();
    fileList_->addItems(QDir(folder).entryList(QDir::Files, QDir::Name | QDir::IgnoreCase));
}

void ExportFilesDialog::Browse() {
    const QString chosen = main_.prompter().chooseFolder(this, tr("Choose the folder to export the messages to"), folderT_->text());
    if (chosen.isEmpty()) return;
    ShowFolder(chosen);
    proceedD_->setEnabled(true);
}

void ExportFilesDialog::ExtensionChanged(const QString& text) { proceedD_->setEnabled(!text.isEmpty()); }

void ExportFilesDialog::Proceed() {
    const QString folder = folderT_->text();
    if (!IsFolder(folder) || !FileExists(mbxPath_) || !FileExists(tocPath_)) return;
    exportFolder_ = folder.toStdString();

    ExportOptions options;
    options.folder = exportFolder_;
    options.extension = extensionC_->currentText().toStdString();
    options.headers = headersC_->currentIndex() == 1 ? HeaderMode::Compact : headersC_->currentIndex() == 2 ? HeaderMode::None : HeaderMode::All;
    options.keepHtml = htmlC_->isChecked();

    // The export runs off the UI thread; the window stays up, disabled, until it ends.
    auto result = std::make_shared<Result<ExportResult>>(Result<ExportResult>::Fail(""));
    ToolJob job;
    job.title = tr("Export to Files");
    job.stop = StopMode::Abandon;  // a Stop keeps the files written so far
    const MailboxPair pair = MailboxPair::FromMailboxPath(mbxPath_);
    job.work = [result, pair, options](ToolContext& context) { *result = ExportToFiles(context, pair, options); };
    job.finish = [this, result](const ToolRunEnd& end) {
        exporting_ = false;
        setEnabled(true);
        if (!end.Completed()) {
            main_.setStatus(end.abandoned ? tr("Stopped. The files written so far stay in the folder.") : QStringLiteral("Ready"));
            ShowFolder(QString::fromStdString(exportFolder_));
            return;
        }
        if (!*result) {
            // Nothing was written: the window stays for another try.
            main_.prompter().information(this, Q(result->error()));
            return;
        }
        WriteIni("Settings", "ExportDir", exportFolder_, main_.state().paths.IniPath);
        if (!(*result)->failures.empty()) main_.prompter().information(this, Q((*result)->FailureReport()));
        close();
    };
    exporting_ = true;
    setEnabled(false);
    if (!main_.runner().start(std::move(job))) {
        exporting_ = false;
        setEnabled(true);
    }
}

void ExportFilesDialog::closeEvent(QCloseEvent* event) {
    // The window waits for its export: closing it then would release the
    // window under the run's closing step.
    if (exporting_) {
        event->ignore();
        return;
    }
    QDialog::closeEvent(event);
}

}  // namespace ledgerly::ui
