#include "ui/Pictures.h"

#include <QPainter>
#include <QPainterPath>
#include <QPixmap>
#include <functional>

#include "store/FolderTree.h"

namespace ledgerly::ui {
namespace {

using Painter = std::function<void(QPainter&)>;

// Draws a picture designed on a 16 x 16 grid at several sizes.
QIcon Draw(const Painter& paint, double grid = 16.0) {
    QIcon icon;
    for (int size : {16, 24, 32, 48}) {
        QPixmap pm(size, size);
        pm.fill(Qt::transparent);
        QPainter p(&pm);
        p.setRenderHint(QPainter::Antialiasing);
        p.scale(size / grid, size / grid);
        paint(p);
        p.end();
        icon.addPixmap(pm);
    }
    return icon;
}

const QColor kOutline(0x3a, 0x44, 0x55);

QPen Outline(double width = 0.8) {
    QPen pen(kOutline, width);
    pen.setJoinStyle(Qt::RoundJoin);
    return pen;
}

void FolderBack(QPainter& p, const QColor& fill) {
    QPainterPath path;
    path.moveTo(1.5, 3.5);
    path.lineTo(6, 3.5);
    path.lineTo(7.5, 5);
    path.lineTo(14.5, 5);
    path.lineTo(14.5, 13.5);
    path.lineTo(1.5, 13.5);
    path.closeSubpath();
    p.setPen(Outline());
    p.setBrush(fill);
    p.drawPath(path);
}

void FolderClosed(QPainter& p) {
    FolderBack(p, QColor(0xe8, 0xb8, 0x4a));
    p.setPen(Outline(0.6));
    p.drawLine(QPointF(1.5, 6.5), QPointF(14.5, 6.5));
}

void FolderOpened(QPainter& p) {
    FolderBack(p, QColor(0xc9, 0x96, 0x2e));
    QPainterPath flap;
    flap.moveTo(3.5, 7);
    flap.lineTo(15.5, 7);
    flap.lineTo(13.5, 13.5);
    flap.lineTo(1.5, 13.5);
    flap.closeSubpath();
    p.setPen(Outline());
    p.setBrush(QColor(0xf5, 0xd3, 0x7a));
    p.drawPath(flap);
}

void Envelope(QPainter& p, const QColor& fill, bool open) {
    p.setPen(Outline());
    p.setBrush(fill);
    if (open) {
        QPainterPath back;
        back.moveTo(1.5, 7);
        back.lineTo(8, 2);
        back.lineTo(14.5, 7);
        back.closeSubpath();
        p.setBrush(fill.darker(115));
        p.drawPath(back);
        p.setBrush(fill);
    }
    p.drawRect(QRectF(1.5, 7 - (open ? 0 : 3), 13, open ? 6.5 : 9.5));
    QPainterPath v;
    const double top = open ? 7 : 4;
    v.moveTo(1.5, top);
    v.lineTo(8, open ? 11 : 9);
    v.lineTo(14.5, top);
    p.setBrush(Qt::NoBrush);
    p.drawPath(v);
}

void Tray(QPainter& p, const QColor& fill) {
    QPainterPath tray;
    tray.moveTo(1.5, 9);
    tray.lineTo(5, 9);
    tray.lineTo(6, 11);
    tray.lineTo(10, 11);
    tray.lineTo(11, 9);
    tray.lineTo(14.5, 9);
    tray.lineTo(14.5, 14);
    tray.lineTo(1.5, 14);
    tray.closeSubpath();
    p.setPen(Outline());
    p.setBrush(fill);
    p.drawPath(tray);
}

void Arrow(QPainter& p, const QColor& color, bool down) {
    QPainterPath a;
    if (down) {
        a.moveTo(6.5, 1.5); a.lineTo(9.5, 1.5); a.lineTo(9.5, 5.5); a.lineTo(12, 5.5);
        a.lineTo(8, 9.5); a.lineTo(4, 5.5); a.lineTo(6.5, 5.5);
    } else {
        a.moveTo(6.5, 9.5); a.lineTo(9.5, 9.5); a.lineTo(9.5, 5.5); a.lineTo(12, 5.5);
        a.lineTo(8, 1.5); a.lineTo(4, 5.5); a.lineTo(6.5, 5.5);
    }
    a.closeSubpath();
    p.setPen(QPen(color.darker(140), 0.7));
    p.setBrush(color);
    p.drawPath(a);
}

void Bin(QPainter& p, const QColor& fill) {
    p.setPen(Outline());
    p.setBrush(fill);
    QPainterPath body;
    body.moveTo(3.5, 5);
    body.lineTo(12.5, 5);
    body.lineTo(11.5, 14.5);
    body.lineTo(4.5, 14.5);
    body.closeSubpath();
    p.drawPath(body);
    p.drawRoundedRect(QRectF(2, 3, 12, 2), 0.6, 0.6);
    p.drawRect(QRectF(6.5, 1.5, 3, 1.5));
    p.setPen(Outline(0.6));
    for (double x : {6.0, 8.0, 10.0}) p.drawLine(QPointF(x, 7), QPointF(x, 13));
}

void MailboxSet(QPainter& p) {
    p.setPen(Outline());
    p.setBrush(QColor(0x7f, 0x9c, 0xc4));
    p.drawRoundedRect(QRectF(2, 1.5, 12, 13), 1, 1);
    p.setBrush(QColor(0xd9, 0xe4, 0xf2));
    for (double y : {3.0, 7.0, 11.0}) {
        p.drawRect(QRectF(3.5, y, 9, 2.5));
        p.drawLine(QPointF(7, y + 1.2), QPointF(9, y + 1.2));
    }
}

void NoSign(QPainter& p) {
    p.setPen(QPen(QColor(0xc6, 0x28, 0x28), 1.6));
    p.setBrush(Qt::NoBrush);
    p.drawEllipse(QPointF(11, 11), 3.6, 3.6);
    p.drawLine(QPointF(8.5, 13.5), QPointF(13.5, 8.5));
}

const QColor kPaper(0xfb, 0xfb, 0xf7);

}  // namespace

ImageList::ImageList(const QString& name, QObject* parent) : QObject(parent) { setObjectName(name); }

void ImageList::add(const QString& key, const QIcon& icon) {
    keys_ << key;
    icons_ << icon;
}

QIcon ImageList::icon(int index) const { return index >= 1 && index <= count() ? icons_[index - 1] : QIcon(); }
QIcon ImageList::icon(const QString& key) const { return icon(indexOf(key)); }
QString ImageList::key(int index) const { return index >= 1 && index <= count() ? keys_[index - 1] : QString(); }

int ImageList::indexOf(const QString& key) const {
    if (key.isEmpty()) return 0;
    const qsizetype i = keys_.indexOf(key);
    return i < 0 ? 0 : static_cast<int>(i) + 1;
}

ImageList* MakeTreeImages(QObject* parent) {
    auto* list = new ImageList(QStringLiteral("drvoI"), parent);
    const Painter painters[kTreeImageCount] = {
        FolderClosed,
        FolderOpened,
        [](QPainter& p) { Envelope(p, kPaper, false); },
        [](QPainter& p) { Envelope(p, kPaper, true); },
        MailboxSet,
        [](QPainter& p) { Tray(p, QColor(0xcf, 0xe8, 0xcf)); Arrow(p, QColor(0x3d, 0xa3, 0x4a), true); },
        [](QPainter& p) { Tray(p, QColor(0xcf, 0xdd, 0xf0)); Arrow(p, QColor(0x2f, 0x6f, 0xc7), false); },
        [](QPainter& p) { Bin(p, QColor(0xc4, 0xc9, 0xd1)); },
        [](QPainter& p) { Envelope(p, QColor(0xf3, 0xe6, 0xc8), false); NoSign(p); },
    };
    for (int i = 0; i < kTreeImageCount; ++i)
        list->add(QString::fromUtf8(std::string(TreeImageKey(i + 1)).c_str()), Draw(painters[i]));
    return list;
}

QIcon PaletteIcon(int family, const QString& label) {
    static const QColor colors[] = {QColor(0x2f, 0x6f, 0xc7), QColor(0xb0, 0x5a, 0x1e), QColor(0x2e, 0x8b, 0x57)};
    const QColor base = colors[family < 0 || family > 2 ? 0 : family];
    return Draw([&](QPainter& p) {
        QLinearGradient g(0, 1, 0, 23);
        g.setColorAt(0, base.lighter(125));
        g.setColorAt(1, base.darker(110));
        p.setPen(QPen(base.darker(150), 1));
        p.setBrush(g);
        p.drawRoundedRect(QRectF(1.5, 1.5, 21, 21), 4, 4);
        QFont f(QStringLiteral("DejaVu Sans"));
        f.setBold(true);
        f.setPixelSize(label.size() <= 1 ? 13 : label.size() == 2 ? 10 : 8);
        p.setFont(f);
        p.setPen(Qt::white);
        p.drawText(QRectF(1.5, 1.5, 21, 21), Qt::AlignCenter, label);
    }, 24.0);
}

QIcon ProgramIcon() {
    return Draw([](QPainter& p) {
        MailboxSet(p);
        p.setPen(QPen(QColor(0x2e, 0x8b, 0x57), 1.6));
        p.setBrush(QColor(0xff, 0xff, 0xff));
        p.drawEllipse(QPointF(11.5, 11.5), 3.5, 3.5);
        p.drawLine(QPointF(10, 11.5), QPointF(11.2, 12.8));
        p.drawLine(QPointF(11.2, 12.8), QPointF(13.3, 10.3));
    });
}

}  // namespace ledgerly::ui
