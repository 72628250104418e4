#pragma once
// The About window: name, version, credits, and whether the libraries the
// program needs are present.
#include <QDialog>
#include <QStringList>

#include "app/AppState.h"

namespace ledgerly::ui {

class AboutDialog : public QDialog {
    Q_OBJECT
public:
    AboutDialog(const AppState& state, QWidget* parent = nullptr);
    // One line per library: what it is, and whether it is present.
    static QStringList LibraryChecks(const std::string& programFolder);
};

}  // namespace ledgerly::ui
