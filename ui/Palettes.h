#pragma once
// The tool palettes: small windows owned by the main window, each one toolbar
// of picture buttons. A button runs the command of the matching menu item, so
// it behaves exactly like the menu item (hidden items included).
#include <QWidget>
#include <span>

#include "app/AppState.h"

class QToolBar;

namespace ledgerly::ui {

class ImageList;
class MainWindow;
enum class PaletteKind;

struct PaletteButton {
    const char* key;      // the button's key and object name
    const char* tooltip;
    const char* icon;     // the icon theme's name for the picture
    const char* label;    // drawn on the picture that stands in when the theme has none
    const char* command;  // the menu item's control name
};

class ToolPalette : public QWidget {
    Q_OBJECT
public:
    ~ToolPalette() override;
    PaletteKind kind() const { return kind_; }
    std::span<const PaletteButton> buttons() const { return buttons_; }
    QToolBar* toolbar() const { return toolbar_; }
    // What a button click does: nothing on an empty tree; otherwise the
    // command of the first row whose key equals `key` exactly.
    void buttonClicked(const QString& key);
    // True until the palette has a place: none was saved (first start).
    bool needsPlacing() const { return needsPlacing_; }
    // The main window has put it at `at`; a palette left there keeps no place
    // of its own in the settings file.
    void placed(const QPoint& at) {
        needsPlacing_ = false;
        autoPlacedAt_ = at;
        hasAutoPlace_ = true;
    }

protected:
    ToolPalette(MainWindow& main, PaletteKind kind, const char* windowName, const char* caption, const char* toolbarName,
                const char* imageListName, const char* settingsPrefix, std::span<const PaletteButton> buttons);
    void closeEvent(QCloseEvent* event) override;

private:
    bool& shownFlag();
    MainWindow& main_;
    AppState& state_;  // outlives the palette; read also while the main window is destroyed
    PaletteKind kind_;
    const char* settingsPrefix_;
    std::span<const PaletteButton> buttons_;
    QToolBar* toolbar_ = nullptr;
    ImageList* images_ = nullptr;
    bool needsPlacing_ = false;
    bool hasAutoPlace_ = false;
    QPoint autoPlacedAt_;
};

class FlaggingToolsPalette : public ToolPalette {
    Q_OBJECT
public:
    explicit FlaggingToolsPalette(MainWindow& main);
};

class SpecialToolsPalette : public ToolPalette {
    Q_OBJECT
public:
    explicit SpecialToolsPalette(MainWindow& main);
};

class MiningToolsPalette : public ToolPalette {
    Q_OBJECT
public:
    explicit MiningToolsPalette(MainWindow& main);
};

}  // namespace ledgerly::ui
