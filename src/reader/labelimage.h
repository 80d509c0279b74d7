#pragma once

#include <QImage>

/// The crop as Tesseract reads it best: 8-bit gray, cut to its ink, scaled so that the
/// characters are \a textHeight pixels high, on a white border. Specks of grain are not ink.
/// Null when the crop holds no ink.
QImage prepareLabel(const QImage &crop, int textHeight = 32);
