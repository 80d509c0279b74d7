#pragma once

#include <QByteArray>
#include <QImage>
#include <QSize>
#include <QString>

/// The picture as a web page shows it: a plan of many megapixels is written smaller, so that
/// the page stays light.
namespace WebPagePicture {

/// The longest side a page's picture has.
inline constexpr int maxSide = 4096;

/// A picture encoded for the page.
struct Encoded
{
    QByteArray bytes;
    /// "jpg" or "png".
    QString suffix;
    QSize size;
};

/// The size a page shows a picture of \a size at: the same, or maxSide on the long side.
QSize shownSize(QSize size);

/// \a picture at shownSize(), as a JPEG or, for a drawing of few colours, as a PNG when that is
/// smaller. The JPEG's quality steps down from a good one until it fits in \a budget bytes.
Encoded encode(const QImage &picture, qint64 budget);

} // namespace WebPagePicture
