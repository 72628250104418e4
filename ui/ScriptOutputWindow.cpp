#include "ui/ScriptOutputWindow.h"

#include <QCloseEvent>
#include <QFontDatabase>
#include <QLabel>
#include <QPlainTextEdit>
#include <QProcess>
#include <QScrollBar>
#include <QVBoxLayout>

namespace ledgerly::ui {

ScriptOutputWindow::ScriptOutputWindow(const QString& scriptName, QWidget* owner)
    : QWidget(owner, Qt::Window), process_(new QProcess(this)), output_(new QPlainTextEdit(this)), status_(new QLabel(this)) {
    setObjectName(QStringLiteral("ScriptOutputWindow"));
    setAttribute(Qt::WA_DeleteOnClose, false);  // deleted once both the window and the script are done
    setWindowTitle(QStringLiteral("Script Output - ") + scriptName);
    output_->setObjectName(QStringLiteral("outputT"));
    output_->setReadOnly(true);
    output_->setFont(QFontDatabase::systemFont(QFontDatabase::FixedFont));
    output_->setLineWrapMode(QPlainTextEdit::NoWrap);
    status_->setObjectName(QStringLiteral("statusL"));
    status_->setTextFormat(Qt::PlainText);
    auto* layout = new QVBoxLayout(this);
    layout->addWidget(output_, 1);
    layout->addWidget(status_);
    const QFontMetrics fm(output_->font());
    resize(fm.horizontalAdvance(QLatin1Char('x')) * 90, fm.lineSpacing() * 24);

    process_->setProcessChannelMode(QProcess::MergedChannels);
    process_->setStandardInputFile(QProcess::nullDevice());
    connect(process_, &QProcess::readyReadStandardOutput, this, [this] { append(process_->readAllStandardOutput()); });
    connect(process_, &QProcess::finished, this, [this](int code, QProcess::ExitStatus how) {
        append(process_->readAllStandardOutput());
        finished_ = true;
        exitStatus_ = how == QProcess::NormalExit ? code : 128 + code;
        status_->setText(how == QProcess::NormalExit ? QStringLiteral("The script ended with exit status %1.").arg(code)
                                                     : QStringLiteral("The script was killed (exit status %1).").arg(exitStatus_));
        emit scriptFinished(exitStatus_);
        if (closed_) deleteLater();
    });
}

ScriptOutputWindow::~ScriptOutputWindow() {
    // A script still running is killed and waited for when its QProcess, a
    // child, is deleted after this part of the object is gone: its last
    // signals must not reach the handlers above.
    process_->disconnect(this);
}

bool ScriptOutputWindow::start(const std::vector<std::string>& argv, QString* error) {
    if (argv.empty()) return false;
    QStringList arguments;
    for (std::size_t i = 1; i < argv.size(); ++i) arguments << QString::fromLocal8Bit(argv[i].c_str());
    const QString program = QString::fromLocal8Bit(argv[0].c_str());
    status_->setText(QStringLiteral("Running: ") + program + QLatin1Char(' ') + arguments.join(QLatin1Char(' ')));
    process_->start(program, arguments);
    if (process_->waitForStarted(5000)) return true;
    if (error) *error = process_->errorString();
    status_->setText(QStringLiteral("The script could not be started: ") + process_->errorString());
    finished_ = true;
    return false;
}

QString ScriptOutputWindow::output() const { return output_->toPlainText(); }

void ScriptOutputWindow::append(const QByteArray& bytes) {
    if (bytes.isEmpty()) return;
    output_->moveCursor(QTextCursor::End);
    output_->insertPlainText(QString::fromLocal8Bit(bytes));
    output_->verticalScrollBar()->setValue(output_->verticalScrollBar()->maximum());
}

void ScriptOutputWindow::closeEvent(QCloseEvent* event) {
    closed_ = true;
    event->accept();
    if (finished_) deleteLater();  // else once the script has ended
}

}  // namespace ledgerly::ui
