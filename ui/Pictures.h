#pragma once
// Image lists of the windows: pictures drawn at run time, in a given order,
// each with an optional key (as the tree and the palettes look them up).
#include <QIcon>
#include <QObject>
#include <QStringList>
#include <QVector>

namespace ledgerly::ui {

class ImageList : public QObject {
    Q_OBJECT
public:
    explicit ImageList(const QString& name, QObject* parent = nullptr);
    void add(const QString& key, const QIcon& icon);
    int count() const { return static_cast<int>(icons_.size()); }
    QIcon icon(int index) const;              // 1-based; a null icon when out of range
    QIcon icon(const QString& key) const;     // a null icon for an unknown or empty key
    QString key(int index) const;             // 1-based
    QStringList keys() const { return keys_; }
    int indexOf(const QString& key) const;    // 1-based; 0 when absent

private:
    QStringList keys_;
    QVector<QIcon> icons_;
};

// The tree's nine pictures (drvoI), in order, with their keys.
ImageList* MakeTreeImages(QObject* parent);

// A palette button's picture: a tile in the palette's colour with a short
// label. `family` 0 flagging, 1 special, 2 mining.
QIcon PaletteIcon(int family, const QString& label);

// The program's own icon.
QIcon ProgramIcon();

}  // namespace ledgerly::ui
