#pragma once
// Where windows go on the screen: saved positions brought back inside the
// screen's available area (whatever the scaling), palettes placed beside the
// main window on first start, and dialogs opened large enough for their texts
// and columns.
#include <QPoint>
#include <QRect>
#include <QSize>

class QTreeView;
class QWidget;

namespace ledgerly::ui {

// `frame` moved, and shrunk where it is larger, so that it lies inside `area`.
QRect ClampedTo(const QRect& frame, const QRect& area);

// The available area (the screen less panels and docks) of the screen that
// holds `point`, else of the primary screen.
QRect AvailableAreaAt(const QPoint& point);

// Moves (and if need be shrinks) a top-level window into the available area
// of the screen its top-left corner is on. Before the window is shown its
// frame is not known yet: call it again once it shows.
void KeepOnScreen(QWidget& window);

// The first-start place of the palette number `index` (0, 1, 2): right of the
// main window, cascaded down from its top; left of it when the right side has
// no room; else inside the screen's right edge below the main window's menu
// bar, which it must never cover. `menuBarBottom` is in screen coordinates.
QPoint PaletteStartPosition(const QRect& mainFrame, const QSize& paletteSize, int index, const QRect& area, int menuBarBottom);

// A list whose column widths are what the user set (the sample mailbox of the
// column alignment) carries this property, true: they are never widened.
inline constexpr const char* kKeepColumnWidths = "keepColumnWidths";
// The width a column of `view` needs for its header caption.
int HeaderCaptionWidth(const QTreeView& view, int column);
// Widens the columns of `view` whose header caption does not fit.
void FitColumnsToHeaders(QTreeView& view);
// Grows a window to its layout's size hint and the width its lists' columns
// need, within the screen's available area.
void FitToContents(QWidget& window);
// FitToContents each time the window is shown (its texts are set by then).
void FitWhenShown(QWidget& window);

}  // namespace ledgerly::ui
