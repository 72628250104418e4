#pragma once
// Window sizes and positions are kept in twips (1/1440 inch): logical pixels
// x 1440 / logical DPI.
#include <QPaintDevice>
#include <QWidget>
#include <cmath>

namespace ledgerly::ui {

inline int TwipsToPixelsX(const QPaintDevice& d, long long twips) { return static_cast<int>(std::lround(static_cast<double>(twips) * d.logicalDpiX() / 1440.0)); }
inline int TwipsToPixelsY(const QPaintDevice& d, long long twips) { return static_cast<int>(std::lround(static_cast<double>(twips) * d.logicalDpiY() / 1440.0)); }
inline long long PixelsToTwipsX(const QPaintDevice& d, int px) { return std::llround(static_cast<double>(px) * 1440.0 / d.logicalDpiX()); }
inline long long PixelsToTwipsY(const QPaintDevice& d, int px) { return std::llround(static_cast<double>(px) * 1440.0 / d.logicalDpiY()); }

}  // namespace ledgerly::ui
