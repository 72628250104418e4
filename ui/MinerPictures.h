#pragma once
// The results window's pictures.
#include "ui/Pictures.h"

namespace ledgerly::ui {

// The ten link-kind images (e_mail, x_options, ftp, web, file, finger, news,
// ph, rtsp, telnet) and the harvester's "hat", drawn at 16 x 16.
ImageList* MakeUrlImages(QObject* parent);    // "urlI"
ImageList* MakeFormImages(QObject* parent);   // "formI"

}  // namespace ledgerly::ui
