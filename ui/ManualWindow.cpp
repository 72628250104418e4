#include "ui/ManualWindow.h"

#include <QDesktopServices>
#include <QProcess>
#include <QStandardPaths>
#include <QTextBrowser>
#include <QVBoxLayout>

namespace ledgerly::ui {

ManualWindow::ManualWindow(const QUrl& page, QWidget* owner) : QWidget(owner, Qt::Window), browser_(new QTextBrowser(this)) {
    setObjectName(QStringLiteral("ManualWindow"));
    setAttribute(Qt::WA_DeleteOnClose);
    browser_->setObjectName(QStringLiteral("manualT"));
    browser_->setOpenLinks(true);
    browser_->setOpenExternalLinks(false);
    // Pages of the manual open here; links that leave it go to whatever the desktop has.
    connect(browser_, &QTextBrowser::anchorClicked, this, [this](const QUrl& url) {
        if (!url.isLocalFile() && !url.isRelative()) QDesktopServices::openUrl(url);
    });
    browser_->setSource(page);
    connect(browser_, &QTextBrowser::sourceChanged, this, [this] { setWindowTitle(browser_->documentTitle()); });
    setWindowTitle(browser_->documentTitle().isEmpty() ? QStringLiteral("Ledgerly manual") : browser_->documentTitle());
    auto* layout = new QVBoxLayout(this);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->addWidget(browser_);
    const QFontMetrics fm(font());
    resize(fm.horizontalAdvance(QLatin1Char('x')) * 90, fm.lineSpacing() * 36);
}

bool DefaultBrowserSet() {
    if (!qEnvironmentVariable("BROWSER").isEmpty()) return true;
    const QString xdgMime = QStandardPaths::findExecutable(QStringLiteral("xdg-mime"));
    if (xdgMime.isEmpty() || QStandardPaths::findExecutable(QStringLiteral("xdg-open")).isEmpty()) return false;
    QProcess query;
    query.start(xdgMime, {QStringLiteral("query"), QStringLiteral("default"), QStringLiteral("x-scheme-handler/http")});
    if (!query.waitForFinished(3000)) {
        query.kill();
        query.waitForFinished(1000);
        return false;
    }
    return query.exitCode() == 0 && !query.readAllStandardOutput().trimmed().isEmpty();
}

}  // namespace ledgerly::ui
