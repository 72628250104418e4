#pragma once
// Sizes and positions in the settings file are twips (1/1440 inch): logical
// pixels x 1440 / logical DPI.
#include <QWidget>
#include <cmath>

namespace ledgerly::ui {

inline double LogicalDpiX(const QWidget* w) { return w ? w->logicalDpiX() : 96.0; }
inline double LogicalDpiY(const QWidget* w) { return w ? w->logicalDpiY() : 96.0; }
inline int TwipsToPxX(double twips, const QWidget* w) { return static_cast<int>(std::lround(twips * LogicalDpiX(w) / 1440.0)); }
inline int TwipsToPxY(double twips, const QWidget* w) { return static_cast<int>(std::lround(twips * LogicalDpiY(w) / 1440.0)); }
inline double PxToTwipsX(int px, const QWidget* w) { return px * 1440.0 / LogicalDpiX(w); }
inline double PxToTwipsY(int px, const QWidget* w) { return px * 1440.0 / LogicalDpiY(w); }

}  // namespace ledgerly::ui
