#pragma once

#include <QByteArray>
#include <QImage>
#include <QSize>

#include <optional>

/// The size in pixels at 96 DPI of the enhanced metafile \a emf, from the frame in its header;
/// nothing when the header is missing, damaged or describes an absurd size.
std::optional<QSize> emfPixelSize(const QByteArray &emf);

/// A copy of \a emf whose run-length encoded bitmaps (BI_RLE8, BI_RLE4) are stored uncompressed
/// as 8-bit bitmaps: the converter rejects a whole file that holds a compressed one.
QByteArray expandRleBitmaps(const QByteArray &emf);

/// Draws the enhanced metafile \a emf on white at its own size; a null image when it cannot.
QImage renderEmf(const QByteArray &emf);
