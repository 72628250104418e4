#pragma once
// The manual and the release notes in a window of the program, for a desktop
// without a default web browser.
#include <QUrl>
#include <QWidget>

class QTextBrowser;

namespace ledgerly::ui {

class ManualWindow : public QWidget {
    Q_OBJECT
public:
    ManualWindow(const QUrl& page, QWidget* owner);
    QTextBrowser* browser() const { return browser_; }

private:
    QTextBrowser* browser_;
};

// True when the desktop names a web browser: $BROWSER, or a handler for
// http(s) links that xdg-mime knows.
bool DefaultBrowserSet();

}  // namespace ledgerly::ui
