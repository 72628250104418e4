#pragma once
// A named set of small images looked up by key, in the order they were added.
#include <QIcon>
#include <QObject>
#include <QStringList>
#include <QVector>

namespace ledgerly::ui {

class ImageList : public QObject {
    Q_OBJECT
public:
    ImageList(const QString& objectName, QObject* parent) : QObject(parent) { setObjectName(objectName); }
    void add(const QString& key, const QIcon& icon) {
        keys_ << key;
        icons_ << icon;
    }
    QStringList keys() const { return keys_; }
    // A null icon for an unknown key.
    QIcon icon(const QString& key) const {
        const qsizetype i = keys_.indexOf(key);
        return i < 0 ? QIcon() : icons_[i];
    }

private:
    QStringList keys_;
    QVector<QIcon> icons_;
};

// The ten link-kind images (e_mail, x_options, ftp, web, file, finger, news,
// ph, rtsp, telnet) and the harvester's "hat", drawn at 16 x 16.
ImageList* MakeUrlImages(QObject* parent);    // "urlI"
ImageList* MakeFormImages(QObject* parent);   // "formI"

}  // namespace ledgerly::ui
