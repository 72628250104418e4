#include "ui/ExportMailDialog.h"

#include <QCloseEvent>
#include <QComboBox>
#include <QFileInfo>
#include <QGridLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPlainTextEdit>
#include <QProgressBar>
#include <QPushButton>
#include <QRadioButton>
#include <QApplication>
#include <QPointer>
#include <QVBoxLayout>
#include <chrono>

#include "app/FileHelpers.h"
#include "app/IniFile.h"
#include "app/Messages.h"
#include "migrate/MailExport.h"
#include "store/Mailbox.h"
#include "ui/ForwardingHost.h"
#include "ui/MainWindowApi.h"
#include "ui/Prompter.h"
#include "ui/ToolRunner.h"

namespace ledgerly::ui {
namespace {

constexpr const char* kObjectName = "ExportMailDialog";
constexpr const char* kFolderKey = "MailExportDir";
constexpr const char* kFormatKey = "MailExportFormat";

QString Q(const std::string& utf8) { return QString::fromStdString(utf8); }

// The export's side of the window: it runs on the main window's tool runner
// (so that the tree and the tools wait for it), its count goes to this
// window's own bar (at most every 50 ms), and this window's Stop reaches it
// as well as the runner's. Its report is the window's; nothing else is said.
class ExportHost : public ForwardingHost {
public:
    ExportHost(Host& inner, std::function<void(qint64, qint64)> progress, const std::atomic<bool>& stop)
        : ForwardingHost(inner), progress_(std::move(progress)), stop_(stop) {}
    void Status(std::string_view) override {}
    void Inform(std::string_view, std::string_view, BoxIcon) override {}
    bool Ask(std::string_view, std::string_view) override { return false; }
    void Progress(std::string_view, std::int64_t done, std::int64_t total, std::string_view) override {
        const auto now = std::chrono::steady_clock::now();
        if (done < total && now - last_ < std::chrono::milliseconds(50)) return;
        last_ = now;
        progress_(done, total);
    }
    bool StopRequested() override { return stop_.load() || inner_.StopRequested(); }

private:
    std::function<void(qint64, qint64)> progress_;
    const std::atomic<bool>& stop_;
    std::chrono::steady_clock::time_point last_{};
};

}  // namespace

struct ExportMailDialog::Run {
    MailExportOptions options;
    std::atomic<bool> stop{false};
    std::optional<Result<MailExportReport>> result;
};

ExportMailDialog* ExportMailDialog::Current(MainWindowApi& main) {
    for (auto* w : main.window()->findChildren<ExportMailDialog*>(QString::fromLatin1(kObjectName), Qt::FindDirectChildrenOnly))
        if (w->isVisible()) return w;
    return nullptr;
}

ExportMailDialog* ExportMailDialog::Open(MainWindowApi& main) {
    ExportMailDialog* w = Current(main);
    if (!w) w = new ExportMailDialog(main);
    w->setWindowModality(Qt::WindowModal);
    w->show();
    w->raise();
    w->activateWindow();
    return w;
}

ExportMailDialog::ExportMailDialog(MainWindowApi& main) : QDialog(main.window()), main_(main) {
    setObjectName(QString::fromLatin1(kObjectName));
    setAttribute(Qt::WA_DeleteOnClose);
    setWindowTitle(tr("Export Mail for Other Mail Programs"));
    const std::string key = main_.selectedKey();
    if (!main_.treeEmpty() && IsMailboxKey(key)) mailbox_ = key;

    formatC_ = new QComboBox(this);
    formatC_->setObjectName("formatC");
    formatC_->addItem(tr("mbox (Thunderbird's Local Folders, mutt)"), QStringLiteral("mbox"));
    formatC_->addItem(tr("Maildir (mutt, notmuch, Dovecot)"), QStringLiteral("maildir"));
    formatC_->addItem(tr("EML files, one per message"), QStringLiteral("eml"));
    auto* formatL = new QLabel(tr("&Format"), this);
    formatL->setBuddy(formatC_);

    folderT_ = new QLineEdit(this);
    folderT_->setObjectName("folderT");
    browseD_ = new QPushButton(tr("&..."), this);
    browseD_->setObjectName("browseD");
    auto* folderL = new QLabel(tr("&Destination folder"), this);
    folderL->setBuddy(folderT_);

    auto* scope = new QGroupBox(tr("Export"), this);
    wholeTreeO_ = new QRadioButton(tr("The &whole mail folder tree"), scope);
    wholeTreeO_->setObjectName("wholeTreeO");
    mailboxO_ = new QRadioButton(scope);
    mailboxO_->setObjectName("mailboxO");
    mailboxO_->setText(mailbox_.empty() ? tr("The &selected mailbox") : tr("The &selected mailbox: %1").arg(Q(GetFileName(mailbox_, true))));
    mailboxO_->setEnabled(!mailbox_.empty());
    wholeTreeO_->setEnabled(!main_.state().paths.DataFolder.empty());
    (mailbox_.empty() ? wholeTreeO_ : mailboxO_)->setChecked(true);
    auto* scopeLayout = new QVBoxLayout(scope);
    scopeLayout->addWidget(mailboxO_);
    scopeLayout->addWidget(wholeTreeO_);

    ProgressBarP_ = new QProgressBar(this);
    ProgressBarP_->setObjectName("ProgressBarP");
    ProgressBarP_->setRange(0, 1);
    ProgressBarP_->setValue(0);
    statusL_ = new QLabel(this);
    statusL_->setObjectName("statusL");
    statusL_->setWordWrap(true);
    reportT_ = new QPlainTextEdit(this);
    reportT_->setObjectName("reportT");
    reportT_->setReadOnly(true);
    reportT_->setLineWrapMode(QPlainTextEdit::NoWrap);
    reportT_->setMinimumSize(520, 200);

    proceedD_ = new QPushButton(tr("&Proceed"), this);
    proceedD_->setObjectName("proceedD");
    proceedD_->setDefault(true);
    stopD_ = new QPushButton(tr("S&top"), this);
    stopD_->setObjectName("stopD");
    closeD_ = new QPushButton(tr("&Close"), this);
    closeD_->setObjectName("closeD");

    auto* grid = new QGridLayout;
    grid->addWidget(formatL, 0, 0);
    grid->addWidget(formatC_, 0, 1, 1, 2);
    grid->addWidget(folderL, 1, 0);
    grid->addWidget(folderT_, 1, 1);
    grid->addWidget(browseD_, 1, 2);
    auto* buttons = new QHBoxLayout;
    buttons->addStretch(1);
    buttons->addWidget(proceedD_);
    buttons->addWidget(stopD_);
    buttons->addWidget(closeD_);
    auto* layout = new QVBoxLayout(this);
    layout->addLayout(grid);
    layout->addWidget(scope);
    layout->addWidget(ProgressBarP_);
    layout->addWidget(statusL_);
    layout->addWidget(reportT_, 1);
    layout->addLayout(buttons);

    const std::string& ini = main_.state().paths.IniPath;
    folderT_->setText(Q(ReadIni("Settings", kFolderKey, "", ini)));
    const int format = formatC_->findData(Q(ReadIni("Settings", kFormatKey, "mbox", ini)));
    formatC_->setCurrentIndex(format < 0 ? 0 : format);

    connect(browseD_, &QPushButton::clicked, this, &ExportMailDialog::Browse);
    connect(proceedD_, &QPushButton::clicked, this, &ExportMailDialog::Proceed);
    connect(stopD_, &QPushButton::clicked, this, &ExportMailDialog::Stop);
    connect(closeD_, &QPushButton::clicked, this, &QDialog::close);
    connect(folderT_, &QLineEdit::textChanged, this, &ExportMailDialog::UpdateButtons);
    UpdateButtons();
}

// A run still going is told to stop; the runner waits for it and drops its end.
ExportMailDialog::~ExportMailDialog() {
    if (running_) run_->stop = true;
}

QString ExportMailDialog::reportText() const { return reportT_->toPlainText(); }

void ExportMailDialog::UpdateButtons() {
    const bool busy = running();
    proceedD_->setEnabled(!busy && !folderT_->text().trimmed().isEmpty());
    stopD_->setEnabled(busy && !run_->stop);
    for (QWidget* w : std::initializer_list<QWidget*>{formatC_, folderT_, browseD_}) w->setEnabled(!busy);
    wholeTreeO_->setEnabled(!busy && !main_.state().paths.DataFolder.empty());
    mailboxO_->setEnabled(!busy && !mailbox_.empty());
}

void ExportMailDialog::Browse() {
    const QString chosen = main_.prompter().chooseFolder(this, tr("Choose the folder to write the mail into"), folderT_->text());
    if (!chosen.isEmpty()) folderT_->setText(chosen);
}

void ExportMailDialog::Proceed() {
    if (running() || main_.runner().running()) return;  // one tool at a time: the window's Proceed waits its turn
    const QString folder = folderT_->text().trimmed();
    if (folder.isEmpty()) return;
    run_ = std::make_shared<Run>();
    run_->options.format = ParseFormat(formatC_->currentData().toString().toStdString()).value_or(MailFormat::Mbox);
    run_->options.source = wholeTreeO_->isChecked() ? main_.state().paths.DataFolder : mailbox_;
    run_->options.destination = folder.toStdString();
    run_->options.dataFolder = main_.state().paths.DataFolder;
    if (run_->options.source.empty()) return;

    reportT_->clear();
    ProgressBarP_->setRange(0, 0);  // busy until the first count arrives
    statusL_->setText(tr("Exporting..."));
    const QPointer<ExportMailDialog> self(this);
    auto progress = [self](qint64 done, qint64 total) {
        QMetaObject::invokeMethod(qApp, [self, done, total] { if (self) self->ShowProgress(done, total); }, Qt::QueuedConnection);
    };
    std::shared_ptr<Run> run = run_;
    ToolJob job;
    job.title = windowTitle();
    job.owner = this;
    job.progressDelayMs = -1;  // the window's own bar counts
    job.work = [run, progress](ToolContext& context) {
        ExportHost host(context.host, progress, run->stop);
        run->result = ExportMail(run->options, host);
    };
    job.finish = [self, run](const ToolRunEnd& end) {
        // Out of memory, what was half-written went with the unwinding; finished mailboxes stay.
        if (!run->result)
            run->result = Result<MailExportReport>::Fail(end.outOfMemory ? msg::kOutOfMemory : "The export was stopped before it began.");
        if (self) self->Finished();
    };
    running_ = main_.runner().start(std::move(job));
    UpdateButtons();
}

void ExportMailDialog::Stop() {
    if (!running()) return;
    run_->stop = true;
    statusL_->setText(tr("Stopping after the message being written..."));
    UpdateButtons();
}

void ExportMailDialog::ShowProgress(qint64 done, qint64 total) {
    if (!running() || total <= 0) return;
    // The bar counts in thousandths: a total above what an int holds still fits.
    ProgressBarP_->setRange(0, 1000);
    ProgressBarP_->setValue(static_cast<int>(done * 1000 / total));
    statusL_->setText(tr("%1 of %2 messages").arg(done).arg(total));
}

void ExportMailDialog::Finished() {
    running_ = false;
    ProgressBarP_->setRange(0, 1);
    ProgressBarP_->setValue(1);
    const Result<MailExportReport>& result = *run_->result;
    if (!result) {
        ProgressBarP_->setValue(0);
        statusL_->setText(Q(result.error()));
        reportT_->setPlainText(Q(result.error()));
        main_.prompter().information(this, Q(result.error()));
    } else {
        reportT_->setPlainText(Q(result->Text()));
        if (!result->reportError.empty()) reportT_->appendPlainText(tr("\nThe report could not be written: %1").arg(Q(result->reportError)));
        const std::string summary = result->Summary();
        const std::size_t lastLine = summary.rfind('\n', summary.size() - 2);
        statusL_->setText(Q(summary.substr(lastLine == std::string::npos ? 0 : lastLine + 1)).trimmed());
        main_.setStatus(statusL_->text());
        const std::string& ini = main_.state().paths.IniPath;
        WriteIni("Settings", kFolderKey, run_->options.destination, ini);
        WriteIni("Settings", kFormatKey, std::string(FormatName(run_->options.format)), ini);
    }
    UpdateButtons();
    if (closeWhenDone_) close();
}

void ExportMailDialog::closeEvent(QCloseEvent* event) {
    // Closing while the export runs stops it; the window goes once it has.
    if (running()) {
        closeWhenDone_ = true;
        Stop();
        event->ignore();
        return;
    }
    QDialog::closeEvent(event);
}

}  // namespace ledgerly::ui
