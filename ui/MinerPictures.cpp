#include "ui/MinerPictures.h"

#include <QPainter>
#include <QPainterPath>
#include <QPixmap>
#include <QtMath>
#include <functional>

namespace ledgerly::ui {
namespace {

// Every image: a rounded tile in the kind's colour with a white glyph drawn
// in lines, so that the set reads as one family at 16 x 16.
QIcon Tile(const QColor& colour, const std::function<void(QPainter&)>& glyph) {
    QPixmap pm(16, 16);
    pm.fill(Qt::transparent);
    QPainter p(&pm);
    p.setRenderHint(QPainter::Antialiasing);
    p.setPen(colour.darker(140));
    p.setBrush(colour);
    p.drawRoundedRect(QRectF(0.5, 0.5, 15, 15), 3, 3);
    QPen pen(Qt::white, 1.3);
    pen.setCapStyle(Qt::RoundCap);
    pen.setJoinStyle(Qt::RoundJoin);
    p.setPen(pen);
    p.setBrush(Qt::NoBrush);
    glyph(p);
    p.end();
    return QIcon(pm);
}

void Envelope(QPainter& p) {
    p.drawRect(QRectF(3, 4.5, 10, 7));
    p.drawPolyline(QPolygonF{{3, 4.5}, {8, 8.5}, {13, 4.5}});
}

void Globe(QPainter& p) {
    p.drawEllipse(QPointF(8, 8), 5, 5);
    p.drawEllipse(QPointF(8, 8), 2, 5);
    p.drawLine(QPointF(3, 8), QPointF(13, 8));
}

void Document(QPainter& p) {
    p.drawPolygon(QPolygonF{{4.5, 3}, {9.5, 3}, {11.5, 5}, {11.5, 13}, {4.5, 13}});
    p.drawLine(QPointF(6, 7.5), QPointF(10, 7.5));
    p.drawLine(QPointF(6, 10), QPointF(10, 10));
}

void UpDown(QPainter& p) {
    p.drawLine(QPointF(5.5, 12.5), QPointF(5.5, 3.5));
    p.drawPolyline(QPolygonF{{3.5, 5.5}, {5.5, 3.5}, {7.5, 5.5}});
    p.drawLine(QPointF(10.5, 3.5), QPointF(10.5, 12.5));
    p.drawPolyline(QPolygonF{{8.5, 10.5}, {10.5, 12.5}, {12.5, 10.5}});
}

void Prompt(QPainter& p) {
    p.drawPolyline(QPolygonF{{3.5, 5}, {6.5, 8}, {3.5, 11}});
    p.drawLine(QPointF(8, 11.5), QPointF(12.5, 11.5));
}

void Newspaper(QPainter& p) {
    p.drawRect(QRectF(3, 3.5, 10, 9));
    p.drawRect(QRectF(4.8, 5.5, 3, 2.5));
    p.drawLine(QPointF(9.2, 6), QPointF(11.2, 6));
    p.drawLine(QPointF(4.8, 10.3), QPointF(11.2, 10.3));
}

void Book(QPainter& p) {
    p.drawRect(QRectF(4, 3, 8.5, 10));
    p.drawLine(QPointF(6, 3), QPointF(6, 13));
    p.drawLine(QPointF(7.8, 6), QPointF(11, 6));
}

void Person(QPainter& p) {
    p.drawEllipse(QPointF(8, 5.5), 2.2, 2.2);
    QPainterPath body;
    body.moveTo(3.5, 13);
    body.cubicTo(3.5, 8.5, 12.5, 8.5, 12.5, 13);
    p.drawPath(body);
}

void Play(QPainter& p) {
    p.drawEllipse(QPointF(8, 8), 5, 5);
    p.setBrush(Qt::white);
    p.drawPolygon(QPolygonF{{6.7, 5.6}, {10.6, 8}, {6.7, 10.4}});
}

void Gear(QPainter& p) {
    p.drawEllipse(QPointF(8, 8), 2, 2);
    for (int i = 0; i < 8; ++i) {
        const double a = i * M_PI / 4;
        p.drawLine(QPointF(8 + 3.4 * std::cos(a), 8 + 3.4 * std::sin(a)), QPointF(8 + 5.2 * std::cos(a), 8 + 5.2 * std::sin(a)));
    }
    p.drawEllipse(QPointF(8, 8), 3.6, 3.6);
}

void Hat(QPainter& p) {
    p.setBrush(Qt::white);
    p.drawRect(QRectF(5, 4, 6, 6.5));
    p.drawLine(QPointF(2.5, 11.5), QPointF(13.5, 11.5));
}

}  // namespace

ImageList* MakeUrlImages(QObject* parent) {
    auto* list = new ImageList(QStringLiteral("urlI"), parent);
    list->add(QStringLiteral("e_mail"), Tile(QColor(0x2b, 0x6c, 0xc4), Envelope));
    list->add(QStringLiteral("x_options"), Tile(QColor(0x55, 0x5b, 0x66), Gear));
    list->add(QStringLiteral("ftp"), Tile(QColor(0xd9, 0x7a, 0x1c), UpDown));
    list->add(QStringLiteral("web"), Tile(QColor(0x2e, 0x8b, 0x4a), Globe));
    list->add(QStringLiteral("file"), Tile(QColor(0x80, 0x86, 0x8f), Document));
    list->add(QStringLiteral("finger"), Tile(QColor(0x1f, 0x8a, 0x8a), Person));
    list->add(QStringLiteral("news"), Tile(QColor(0x8a, 0x5a, 0x2b), Newspaper));
    list->add(QStringLiteral("ph"), Tile(QColor(0x7b, 0x4b, 0xb0), Book));
    list->add(QStringLiteral("rtsp"), Tile(QColor(0xc0, 0x39, 0x2b), Play));
    list->add(QStringLiteral("telnet"), Tile(QColor(0x23, 0x27, 0x2e), Prompt));
    return list;
}

ImageList* MakeFormImages(QObject* parent) {
    auto* list = new ImageList(QStringLiteral("formI"), parent);
    list->add(QStringLiteral("hat"), Tile(QColor(0x6b, 0x3e, 0x26), Hat));
    return list;
}

}  // namespace ledgerly::ui
