#include "picturedecoder/emfpicture.h"

#include <QPainter>
#include <QSvgRenderer>
#include <QtEndian>

#include <emf2svg.h>

#include <algorithm>
#include <cmath>
#include <cstdlib>
#include <memory>

namespace {

constexpr quint32 EmrHeader = 1;
constexpr quint32 EmfSignature = 0x464D4520; // " EMF"
constexpr qsizetype HeaderSize = 88;
// What the loader is prepared to hold: 100 megapixels, no side longer than 32767.
constexpr qint64 MaxPixels = 100'000'000;
constexpr int MaxSide = 32767;
// An expanded bitmap must stay well inside what the converter can handle in memory.
constexpr qint64 MaxBitmapBytes = 256 * 1024 * 1024;

constexpr quint32 BiRgb = 0;
constexpr quint32 BiRle8 = 1;
constexpr quint32 BiRle4 = 2;

quint32 u32(const QByteArray &data, qsizetype at)
{
    return qFromLittleEndian<quint32>(data.constData() + at);
}

qint32 i32(const QByteArray &data, qsizetype at)
{
    return qFromLittleEndian<qint32>(data.constData() + at);
}

void putU32(QByteArray &data, qsizetype at, quint32 value)
{
    qToLittleEndian(value, data.data() + at);
}

// Where each bitmap-carrying record keeps its offBmi, cbBmi, offBits, cbBits fields. Records with
// a second (mask) bitmap are left alone: masks are monochrome, never run-length encoded.
qsizetype bitmapFieldsOffset(quint32 type)
{
    switch (type) {
    case 76: // EMR_BITBLT
    case 77: // EMR_STRETCHBLT
    case 114: // EMR_ALPHABLEND
    case 116: // EMR_TRANSPARENTBLT
        return 84;
    case 80: // EMR_SETDIBITSTODEVICE
    case 81: // EMR_STRETCHDIBITS
        return 48;
    case 94: // EMR_CREATEDIBPATTERNBRUSHPT
        return 16;
    default:
        return -1;
    }
}

// Decodes BI_RLE8 or BI_RLE4 data into bottom-up rows of 8-bit indices. Pixels the encoding
// skips keep index 0; runs past the edges are clipped.
void decodeRle(const uchar *src, qsizetype size, bool fourBit, int width, int height, uchar *dst,
    qsizetype stride)
{
    qint64 x = 0;
    qint64 y = 0;
    auto put = [&](uchar index) {
        if (x < width && y < height)
            dst[y * stride + x] = index;
        ++x;
    };
    qsizetype i = 0;
    while (i + 1 < size && y < height) {
        const uchar count = src[i];
        const uchar value = src[i + 1];
        i += 2;
        if (count > 0) {
            for (int n = 0; n < count; ++n)
                put(fourBit ? (n % 2 == 0 ? value >> 4 : value & 0x0F) : value);
        } else if (value == 0) {
            x = 0;
            ++y;
        } else if (value == 1) {
            break;
        } else if (value == 2) {
            if (i + 1 >= size)
                break;
            x += src[i];
            y += src[i + 1];
            i += 2;
        } else {
            const qsizetype bytes = fourBit ? (value + 1) / 2 : value;
            if (i + bytes > size)
                break;
            for (int n = 0; n < value; ++n)
                put(fourBit ? (n % 2 == 0 ? src[i + n / 2] >> 4 : src[i + n / 2] & 0x0F)
                            : src[i + n]);
            i += bytes + (bytes % 2);
        }
    }
}

// The record at \a at with its run-length encoded bitmap expanded, or an empty array when the
// record holds none (or one too damaged to touch).
QByteArray expandedRecord(const QByteArray &emf, qsizetype at, quint32 size, qsizetype fields)
{
    if (fields + 16 > size)
        return {};
    const quint32 offBmi = u32(emf, at + fields);
    const quint32 cbBmi = u32(emf, at + fields + 4);
    const quint32 offBits = u32(emf, at + fields + 8);
    const quint32 cbBits = u32(emf, at + fields + 12);
    if (offBmi < fields + 16 || cbBmi < 40 || qint64(offBmi) + cbBmi > size
        || qint64(offBits) + cbBits > size || offBits < offBmi + cbBmi)
        return {};
    const qsizetype bmi = at + offBmi;
    const quint32 headerSize = u32(emf, bmi);
    const qint32 width = i32(emf, bmi + 4);
    const qint32 height = i32(emf, bmi + 8);
    const quint16 bitCount = qFromLittleEndian<quint16>(emf.constData() + bmi + 14);
    const quint32 compression = u32(emf, bmi + 16);
    const bool rle8 = compression == BiRle8 && bitCount == 8;
    const bool rle4 = compression == BiRle4 && bitCount == 4;
    if (headerSize < 40 || headerSize > cbBmi || (!rle8 && !rle4) || width <= 0 || height <= 0)
        return {};
    const qsizetype stride = (qsizetype(width) + 3) / 4 * 4;
    if (stride * height > MaxBitmapBytes)
        return {};

    quint32 colours = u32(emf, bmi + 32);
    if (colours == 0)
        colours = rle8 ? 256 : 16;
    if (rle4 && qint64(headerSize) + qint64(colours) * 4 > cbBmi)
        return {};

    const qsizetype bmiPadded = (qsizetype(cbBmi) + 3) / 4 * 4;
    const qsizetype bitsSize = stride * height;
    QByteArray record(qsizetype(offBmi) + bmiPadded + bitsSize, '\0');
    std::copy_n(emf.constData() + at, offBmi + cbBmi, record.data());
    decodeRle(reinterpret_cast<const uchar *>(emf.constData()) + at + offBits, cbBits, rle4, width,
        height, reinterpret_cast<uchar *>(record.data()) + offBmi + bmiPadded, stride);

    putU32(record, 4, quint32(record.size()));
    putU32(record, fields + 8, quint32(offBmi + bmiPadded));
    putU32(record, fields + 12, quint32(bitsSize));
    qToLittleEndian<quint16>(8, record.data() + offBmi + 14);
    putU32(record, offBmi + 16, BiRgb);
    putU32(record, offBmi + 20, quint32(bitsSize));
    // Four-bit palettes are short; an 8-bit header must say how many entries it carries.
    if (rle4)
        putU32(record, offBmi + 32, colours);
    return record;
}

bool hasHeader(const QByteArray &emf)
{
    return emf.size() >= HeaderSize && u32(emf, 0) == EmrHeader && u32(emf, 40) == EmfSignature
        && u32(emf, 4) >= HeaderSize && u32(emf, 4) <= quint32(emf.size());
}

struct FreeDeleter
{
    void operator()(char *p) const { std::free(p); }
};

} // namespace

std::optional<QSize> emfPixelSize(const QByteArray &emf)
{
    if (!hasHeader(emf))
        return std::nullopt;
    // The frame is in hundredths of a millimetre; the bounds, in device pixels, stand in for a
    // frame left empty.
    double width = std::abs(qint64(i32(emf, 32)) - i32(emf, 24)) / 2540.0 * 96.0;
    double height = std::abs(qint64(i32(emf, 36)) - i32(emf, 28)) / 2540.0 * 96.0;
    if (width < 0.5 || height < 0.5) {
        const qint64 right = i32(emf, 16);
        const qint64 bottom = i32(emf, 20);
        if (right <= i32(emf, 8) || bottom <= i32(emf, 12))
            return std::nullopt;
        width = double(right - i32(emf, 8) + 1);
        height = double(bottom - i32(emf, 12) + 1);
    }
    if (!(width >= 0.5 && height >= 0.5 && width <= MaxSide && height <= MaxSide))
        return std::nullopt;
    const QSize size(std::max(1, int(std::lround(width))), std::max(1, int(std::lround(height))));
    if (qint64(size.width()) * size.height() > MaxPixels)
        return std::nullopt;
    return size;
}

QByteArray expandRleBitmaps(const QByteArray &emf)
{
    QByteArray out;
    qsizetype copied = 0;
    qsizetype at = 0;
    while (at + 8 <= emf.size()) {
        const quint32 type = u32(emf, at);
        const quint32 size = u32(emf, at + 4);
        if (size < 8 || size % 4 != 0 || size > emf.size() - at)
            break;
        const qsizetype fields = bitmapFieldsOffset(type);
        if (fields >= 0) {
            const QByteArray record = expandedRecord(emf, at, size, fields);
            if (!record.isEmpty()) {
                out.append(emf.constData() + copied, at - copied);
                out.append(record);
                copied = at + size;
            }
        }
        if (type == 14) // EMR_EOF
            break;
        at += size;
    }
    if (copied == 0)
        return emf;
    out.append(emf.constData() + copied, emf.size() - copied);
    if (hasHeader(out))
        putU32(out, 48, quint32(out.size())); // nBytes
    return out;
}

QImage renderEmf(const QByteArray &emf)
{
    const std::optional<QSize> size = emfPixelSize(emf);
    if (!size)
        return {};

    // The converter reads a few bytes past the end of a truncated record: give it zeros there.
    QByteArray input = expandRleBitmaps(emf);
    const qsizetype length = input.size();
    input.append(QByteArray(64, '\0'));

    // An SVG namespace prefix makes the converter write XML that does not parse: leave it empty.
    char noNamespace[] = "";
    generatorOptions options {};
    options.nameSpace = noNamespace;
    options.verbose = false;
    options.emfplus = true;
    options.svgDelimiter = true;
    options.imgWidth = size->width();
    options.imgHeight = size->height();

    char *svgData = nullptr;
    size_t svgSize = 0;
    const int ok = emf2svg(input.data(), size_t(length), &svgData, &svgSize, &options);
    const std::unique_ptr<char, FreeDeleter> svgOwner(svgData);
    if (ok != 1 || !svgData || svgSize == 0)
        return {};

    QSvgRenderer renderer(QByteArray(svgData, qsizetype(svgSize)));
    if (!renderer.isValid())
        return {};
    QImage image(*size, QImage::Format_RGB32);
    if (image.isNull())
        return {};
    image.fill(Qt::white);
    QPainter painter(&image);
    renderer.render(&painter, QRectF(QPointF(0, 0), QSizeF(*size)));
    painter.end();
    return image;
}
