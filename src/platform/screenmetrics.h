#pragma once

#include "platform/twips.h"

#include <QRect>

/// Twips per pixel of the primary screen (1440 / logical DPI; 15 at 96 DPI).
double twipsPerPixelX();
double twipsPerPixelY();
/// The pixel and twips converter of the primary screen.
TwipsConverter screenTwips();

/// Where a window of \a size goes in a screen's \a available area: centred where it fits;
/// otherwise at the area's top-left corner, no larger than the area.
QRect windowPlacement(const QSize &size, const QRect &available);
