#include "ui/Placement.h"

#include <QEvent>
#include <QGuiApplication>
#include <QLayout>
#include <QHeaderView>
#include <QScreen>
#include <QScrollBar>
#include <QStyle>
#include <QStyleOptionHeader>
#include <QTreeView>
#include <QWidget>
#include <algorithm>

namespace ledgerly::ui {

QRect ClampedTo(const QRect& frame, const QRect& area) {
    if (area.isEmpty()) return frame;
    const int width = std::min(frame.width(), area.width());
    const int height = std::min(frame.height(), area.height());
    const int left = std::clamp(frame.left(), area.left(), area.right() + 1 - width);
    const int top = std::clamp(frame.top(), area.top(), area.bottom() + 1 - height);
    return {left, top, width, height};
}

QRect AvailableAreaAt(const QPoint& point) {
    QScreen* screen = QGuiApplication::screenAt(point);
    if (!screen) screen = QGuiApplication::primaryScreen();
    return screen ? screen->availableGeometry() : QRect();
}

void KeepOnScreen(QWidget& window) {
    const QRect frame = window.frameGeometry();
    const QRect inner = window.geometry();
    const QRect area = AvailableAreaAt(frame.topLeft());
    // The decorations (title bar, borders) count as part of the window.
    const QMargins decoration(inner.left() - frame.left(), inner.top() - frame.top(), frame.right() - inner.right(),
                              frame.bottom() - inner.bottom());
    const QRect wanted = ClampedTo(frame, area);
    if (wanted == frame) return;
    if (wanted.size() != frame.size()) window.resize(wanted.size().shrunkBy(decoration));
    window.move(wanted.topLeft());
}

QPoint PaletteStartPosition(const QRect& mainFrame, const QSize& paletteSize, int index, const QRect& area, int menuBarBottom) {
    const int gap = 8;
    const int cascade = index * (paletteSize.height() + gap);
    int top = mainFrame.top() + cascade;
    int left = mainFrame.right() + 1 + gap;
    if (left + paletteSize.width() > area.right() + 1) {
        left = mainFrame.left() - gap - paletteSize.width();
        if (left < area.left()) {
            // No room on either side: over the main window, but below its menu bar.
            left = area.right() + 1 - paletteSize.width();
            top = std::max(top, menuBarBottom + gap + cascade);
        }
    }
    QRect wanted = ClampedTo(QRect(QPoint(left, top), paletteSize), area);
    const QRect menuBar(mainFrame.left(), mainFrame.top(), mainFrame.width(), menuBarBottom - mainFrame.top() + 1);
    if (wanted.intersects(menuBar)) wanted.moveTop(menuBarBottom + gap);
    return wanted.topLeft();
}

int HeaderCaptionWidth(const QTreeView& view, int column) {
    const QHeaderView* header = view.header();
    QStyleOptionHeader option;
    option.initFrom(header);
    option.section = column;
    option.text = view.model() ? view.model()->headerData(column, Qt::Horizontal).toString() : QString();
    option.fontMetrics = header->fontMetrics();
    if (header->isSortIndicatorShown()) option.sortIndicator = QStyleOptionHeader::SortDown;
    return header->style()->sizeFromContents(QStyle::CT_HeaderSection, &option, QSize(), header).width();
}

void FitColumnsToHeaders(QTreeView& view) {
    if (view.property(kKeepColumnWidths).toBool()) return;
    QHeaderView* header = view.header();
    for (int c = 0; c < header->count(); ++c) {
        const int needed = HeaderCaptionWidth(view, c);
        if (!header->isSectionHidden(c) && header->sectionSize(c) < needed) header->resizeSection(c, needed);
    }
}

void FitToContents(QWidget& window) {
    if (QLayout* layout = window.layout()) layout->activate();
    QSize wanted = window.size().expandedTo(window.sizeHint()).expandedTo(window.minimumSizeHint());
    for (QTreeView* view : window.findChildren<QTreeView*>()) {
        if (view->isHeaderHidden() || view->property(kKeepColumnWidths).toBool()) continue;
        FitColumnsToHeaders(*view);
        // Every column in view: a last column that stretches needs its caption's width only.
        const QHeaderView* header = view->header();
        int needed = 0;
        for (int c = 0; c < header->count(); ++c) {
            if (header->isSectionHidden(c)) continue;
            const bool stretches = header->stretchLastSection() && header->visualIndex(c) == header->count() - 1;
            needed += stretches ? HeaderCaptionWidth(*view, c) : header->sectionSize(c);
        }
        const int extra = needed - view->viewport()->width();
        if (extra > 0) wanted.setWidth(std::max(wanted.width(), window.width() + extra));
    }
    const QRect area = AvailableAreaAt(window.frameGeometry().topLeft());
    if (!area.isEmpty()) wanted = wanted.boundedTo(area.size());
    if (wanted != window.size()) window.resize(wanted);
    KeepOnScreen(window);
}

namespace {
class FitOnShow : public QObject {
public:
    using QObject::QObject;
    bool eventFilter(QObject* watched, QEvent* event) override {
        if (event->type() == QEvent::Show)
            if (auto* w = qobject_cast<QWidget*>(watched); w && w->isWindow()) FitToContents(*w);
        return false;
    }
};
}  // namespace

void FitWhenShown(QWidget& window) { window.installEventFilter(new FitOnShow(&window)); }

}  // namespace ledgerly::ui
