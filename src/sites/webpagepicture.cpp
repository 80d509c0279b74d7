#include "sites/webpagepicture.h"

#include <QBuffer>
#include <QHash>
#include <QImageWriter>

#include <cmath>
#include <optional>

using namespace Qt::StringLiterals;

namespace {

// From a quality that keeps the plan's lettering clean down to one that still reads.
constexpr int jpegQualities[] = { 85, 75, 65, 55, 45 };
constexpr int fewColours = 256;

QByteArray encoded(const QImage &image, const char *format, int quality)
{
    QByteArray bytes;
    QBuffer buffer(&bytes);
    buffer.open(QIODevice::WriteOnly);
    QImageWriter writer(&buffer, format);
    writer.setQuality(quality);
    // Baseline, not progressive: browsers decode it faster, and the picture is whole sooner.
    writer.setOptimizedWrite(true);
    return writer.write(image) ? bytes : QByteArray();
}

// The colours of a 32-bit picture, or nothing when it has more than fewColours.
std::optional<QHash<QRgb, int>> colourIndex(const QImage &image)
{
    QHash<QRgb, int> index;
    for (int y = 0; y < image.height(); ++y) {
        const auto *line = reinterpret_cast<const QRgb *>(image.constScanLine(y));
        QRgb last = ~line[0];
        for (int x = 0; x < image.width(); ++x) {
            if (line[x] == last)
                continue;
            last = line[x];
            if (!index.contains(last)) {
                if (index.size() == fewColours)
                    return std::nullopt;
                index.insert(last, int(index.size()));
            }
        }
    }
    return index;
}

// A drawing: few colours before it was made smaller.
bool isDrawing(const QImage &picture)
{
    if (picture.format() == QImage::Format_Indexed8 || picture.format() == QImage::Format_Mono
        || picture.format() == QImage::Format_MonoLSB)
        return true;
    const bool direct =
        picture.format() == QImage::Format_RGB32 || picture.format() == QImage::Format_ARGB32;
    return colourIndex(direct ? picture : picture.convertToFormat(QImage::Format_ARGB32))
        .has_value();
}

// A palette picture where the colours allow it, which PNG stores in a byte per pixel.
QImage fewestBytesPerPixel(const QImage &image)
{
    const std::optional<QHash<QRgb, int>> index = colourIndex(image);
    if (!index)
        return image;
    QImage indexed(image.size(), QImage::Format_Indexed8);
    QList<QRgb> table(index->size());
    for (auto it = index->cbegin(); it != index->cend(); ++it)
        table[it.value()] = it.key();
    indexed.setColorTable(table);
    for (int y = 0; y < image.height(); ++y) {
        const auto *from = reinterpret_cast<const QRgb *>(image.constScanLine(y));
        uchar *to = indexed.scanLine(y);
        for (int x = 0; x < image.width(); ++x)
            to[x] = uchar(index->value(from[x]));
    }
    return indexed;
}

} // namespace

QSize WebPagePicture::shownSize(QSize size)
{
    const int longSide = std::max(size.width(), size.height());
    if (longSide <= maxSide)
        return size;
    const auto shorter = [&](int side) {
        return std::max(1, int(std::lround(double(side) * maxSide / longSide)));
    };
    return size.width() >= size.height() ? QSize(maxSide, shorter(size.height()))
                                         : QSize(shorter(size.width()), maxSide);
}

WebPagePicture::Encoded WebPagePicture::encode(const QImage &picture, qint64 budget)
{
    const QSize size = shownSize(picture.size());
    const bool alpha = picture.hasAlphaChannel();
    QImage image = picture.size() == size
        ? picture
        : picture.scaled(size, Qt::IgnoreAspectRatio, Qt::SmoothTransformation);
    image = image.convertToFormat(alpha ? QImage::Format_ARGB32 : QImage::Format_RGB32);

    Encoded png { {}, u"png"_s, size };
    if (alpha || isDrawing(picture))
        png.bytes = encoded(fewestBytesPerPixel(image), "png", -1);
    // JPEG has no transparency.
    if (alpha)
        return png;
    const bool pngFits = !png.bytes.isEmpty() && png.bytes.size() <= budget;
    Encoded jpeg { {}, u"jpg"_s, size };
    for (const int quality : jpegQualities) {
        jpeg.bytes = encoded(image, "jpeg", quality);
        if (pngFits || jpeg.bytes.size() <= budget)
            break;
    }
    return !png.bytes.isEmpty() && png.bytes.size() <= jpeg.bytes.size() ? png : jpeg;
}
