#include "ui/RunScriptDialog.h"

#include <QDateTime>
#include <QDesktopServices>
#include <QFileInfo>
#include <QKeyEvent>
#include <QListWidget>
#include <QPainter>
#include <QScreen>
#include <QUrl>
#include <QVBoxLayout>
#include <cstdlib>
#include <memory>

#include "app/FileHelpers.h"
#include "app/Process.h"
#include "ui/MainWindowApi.h"
#include "ui/Prompter.h"
#include "ui/ScriptOutputWindow.h"
#include "ui/ToolRunner.h"
#include "ui/Placement.h"

namespace ledgerly::ui {
namespace {

QIcon KindIcon(const QString& kind) {
    QPixmap pix(16, 16);
    pix.fill(Qt::transparent);
    QPainter p(&pix);
    p.setRenderHint(QPainter::Antialiasing);
    const QColor color = kind == QLatin1String("tcl") ? QColor(0x2E, 0x7D, 0x32) : QColor(0x1F, 0x4E, 0x9A);
    p.setBrush(color);
    p.setPen(color.darker(130));
    p.drawRoundedRect(QRectF(1.5, 1.5, 13, 13), 3, 3);
    QFont f = p.font();
    f.setPixelSize(kind == QLatin1String("tcl") ? 6 : 8);
    f.setBold(true);
    p.setFont(f);
    p.setPen(Qt::white);
    p.drawText(QRect(0, 0, 16, 16), Qt::AlignCenter, kind.toUpper());
    return QIcon(pix);
}

QString Q(const std::string& s) { return QString::fromUtf8(s.c_str()); }

}  // namespace

RunScriptDialog::RunScriptDialog(MainWindowApi& main, std::string mailboxKey, const QString& nodeText)
    : QDialog(main.window()), main_(main), key_(std::move(mailboxKey)) {
    setObjectName(QStringLiteral("scripterF"));
    FitWhenShown(*this);  // large enough for its texts and columns
    setWindowTitle(QStringLiteral("Run Script > ") + nodeText);
    list_ = new QListWidget(this);
    list_->setObjectName(QStringLiteral("Lista"));
    list_->installEventFilter(this);
    auto* layout = new QVBoxLayout(this);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->addWidget(list_);
    resize(260, 300);

    const std::string folder = main_.state().paths.DataFolder + "Scripts" + kPathSeparator;
    for (const ScriptEntry& s : ListAllScripts(folder)) {
        auto* item = new QListWidgetItem(KindIcon(Q(s.kind)), Q(s.name), list_);
        item->setData(Qt::UserRole, Q(s.path));
        item->setData(Qt::UserRole + 1, Q(s.kind));
    }
    if (list_->count() > 0) list_->setCurrentRow(0);
    connect(list_, &QListWidget::itemDoubleClicked, this, [this] { RunSelected(); });
    PlaceBesideMainWindow();
}

void RunScriptDialog::PlaceBesideMainWindow() {
    QWidget* mainWindow = main_.window();
    if (!mainWindow) return;
    const QRect frame = mainWindow->frameGeometry();
    resize(width(), std::max(frame.height(), 120));
    const QScreen* screen = mainWindow->screen();
    const int middle = screen ? screen->geometry().center().x() : 0;
    const int left = frame.left() > middle ? frame.left() - frameGeometry().width() : frame.left() + frame.width();
    move(left, frame.top());
}

bool RunScriptDialog::RunSelected() {
    QListWidgetItem* item = list_->currentItem();
    if (!item) return false;
    const ScriptEntry script{item->text().toStdString(), item->data(Qt::UserRole).toString().toStdString(),
                             item->data(Qt::UserRole + 1).toString().toStdString()};
    const QString title = Q(std::string(kConfirmationTitle));
    // Without its interpreter the script cannot run: say so before any backup is made.
    if (const std::string missing = MissingInterpreter(script.kind); !missing.empty()) {
        main_.prompter().information(this, Q(missing), title);
        return false;
    }
    auto launch = std::make_shared<ScriptLaunch>();
    ToolJob job;
    job.title = QStringLiteral("Back up for ") + item->text();
    job.owner = this;
    job.work = [launch, key = key_, script](ToolContext& context) { *launch = PrepareScriptRun(context.state, key, script); };
    job.finish = [this, launch, title, name = item->text()](const ToolRunEnd& end) {
        backingUp_ = false;
        setEnabled(true);
        if (!end.Completed()) return;
        last_ = *launch;
        if (last_.backupError.empty() && !last_.argv.empty()) {
            // Owned by the main window: the output stays when this window closes.
            auto* window = new ScriptOutputWindow(name, main_.window());
            QString error;
            if (window->start(last_.argv, &error)) {
                output_ = window;
                window->show();
            } else {
                last_.startError = error.toStdString();
                delete window;
            }
        }
        main_.prompter().information(this, Q(last_.Confirmation()), title);
    };
    backingUp_ = true;
    setEnabled(false);
    if (main_.runner().start(std::move(job))) return true;
    backingUp_ = false;
    setEnabled(true);
    return false;
}

void RunScriptDialog::done(int result) {
    if (!backingUp_) QDialog::done(result);
}

void RunScriptDialog::EditSelected() {
    QListWidgetItem* item = list_->currentItem();
    if (!item) return;
    const std::string path = GetShortPath(item->data(Qt::UserRole).toString().toStdString());
    if (StartTextEditor(path).ok()) return;
    QDesktopServices::openUrl(QUrl::fromLocalFile(Q(path)));
}

void RunScriptDialog::ShowProperties() {
    QListWidgetItem* item = list_->currentItem();
    if (!item) return;
    const QFileInfo info(item->data(Qt::UserRole).toString());
    const QString text = QStringLiteral("Name: %1\nFolder: %2\nSize: %3 bytes\nModified: %4\nCreated: %5\nPermissions: %6%7%8")
                             .arg(info.fileName(), info.absolutePath(), QString::number(info.size()),
                                  info.lastModified().toString(Qt::TextDate), info.birthTime().toString(Qt::TextDate),
                                  info.isReadable() ? QStringLiteral("read ") : QString(),
                                  info.isWritable() ? QStringLiteral("write ") : QString(),
                                  info.isExecutable() ? QStringLiteral("execute") : QString());
    main_.prompter().information(this, text, QStringLiteral("Properties - ") + info.fileName(), false);
}

bool RunScriptDialog::eventFilter(QObject* watched, QEvent* event) {
    if (watched == list_ && event->type() == QEvent::KeyPress) {
        auto* key = static_cast<QKeyEvent*>(event);
        const Qt::KeyboardModifiers mods = key->modifiers() & (Qt::ShiftModifier | Qt::ControlModifier | Qt::AltModifier);
        const bool enter = key->key() == Qt::Key_Return || key->key() == Qt::Key_Enter;
        if (mods == Qt::ShiftModifier) return true;  // Shift with any key: nothing
        if (mods == Qt::AltModifier && enter) { ShowProperties(); return true; }
        if (mods == Qt::ControlModifier && key->key() == Qt::Key_E) { EditSelected(); return true; }
        if (mods != Qt::ControlModifier && mods != Qt::AltModifier) {
            if (enter) { RunSelected(); return true; }
            if (key->key() == Qt::Key_Escape) { close(); return true; }
        }
    }
    return QDialog::eventFilter(watched, event);
}

}  // namespace ledgerly::ui
