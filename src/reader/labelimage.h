#pragma once

#include <QImage>

/// A crop as Tesseract reads it best, and how many characters it has.
struct PreparedLabel
{
    /// 8-bit gray, cut to the label, scaled so that the characters are textHeight pixels high,
    /// on a white border; null when the crop holds no ink.
    QImage image;
    /// About how many characters the label's shapes can hold (touching ones make a wide shape).
    int characters = 0;
};

/// The label in \a crop: the characters in lines beside and above each other, with the points
/// and hyphens among them; trees, symbols and specks of grain around it are whitened.
PreparedLabel prepareLabel(const QImage &crop, int textHeight = 24);
