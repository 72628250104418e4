#pragma once
// The results windows' image lists.
#include "ui/Pictures.h"  // ImageList

namespace ledgerly::ui {

// The ten link-kind images (e_mail, x_options, ftp, web, file, finger, news,
// ph, rtsp, telnet) and the harvester's "hat", drawn at 16 x 16.
ImageList* MakeUrlImages(QObject* parent);    // "urlI"
ImageList* MakeFormImages(QObject* parent);   // "formI"

}  // namespace ledgerly::ui
