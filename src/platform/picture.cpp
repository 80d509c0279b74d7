#include "platform/picture.h"

#include "platform/apperror.h"
#include "platform/picturebuffer.h"
#include "platform/picturedecoderprocess.h"

#include <QFile>
#include <QFileInfo>
#include <QImageReader>
#include <QtEndian>

#include <cstdlib>
#include <cstring>
#include <memory>

using namespace Qt::StringLiterals;

namespace {

// Site plans of up to 100 megapixels at 32 bits per pixel, with room to spare.
constexpr int AllocationLimitMiB = 512;
// Metafiles are drawings; anything this large is not one.
constexpr qint64 MaxMetafileBytes = 256 * 1024 * 1024;

enum class Kind { Bmp, Dib, Jpeg, Gif, Png, Emf };

[[noreturn]] void invalidPicture()
{
    throw AppError::fromNumber(ErrorNumber::InvalidPicture);
}

// The file's own bytes decide how it is read, never its suffix: a bitmap renamed .dib or a JPEG
// renamed .bmp is still what it is. Whatever is not recognised is tried as a header-less bitmap.
Kind kindOf(const QByteArray &head)
{
    if (head.startsWith("BM"))
        return Kind::Bmp;
    if (head.startsWith("\xFF\xD8\xFF"))
        return Kind::Jpeg;
    if (head.startsWith("GIF87a") || head.startsWith("GIF89a"))
        return Kind::Gif;
    if (head.startsWith("\x89PNG\r\n\x1A\n"))
        return Kind::Png;
    if (head.size() >= 44 && qFromLittleEndian<quint32>(head.constData()) == 1
        && qFromLittleEndian<quint32>(head.constData() + 40) == 0x464D4520)
        return Kind::Emf;
    return Kind::Dib;
}

QByteArray qtFormatOf(Kind kind)
{
    switch (kind) {
    case Kind::Bmp:
        return "bmp";
    case Kind::Jpeg:
        return "jpeg";
    case Kind::Gif:
        return "gif";
    case Kind::Png:
        return "png";
    default:
        return "dib";
    }
}

// Whether the JPEG stream reaches its end-of-image marker. The reader fills in a cut-off file
// with grey and calls it a success; a damaged file must be refused instead. Also finds where
// the first scan's coded data begins and ends.
bool jpegReachesEnd(const uchar *data, qint64 size, ProgressiveJpegLoader::ScanBounds &scan)
{
    qint64 at = 2; // after SOI
    bool inScan = false;
    scan = { 0, size };
    bool firstScanEnded = false;
    while (at + 1 < size) {
        if (inScan) {
            // Entropy-coded data: 0xFF is followed by a stuffed 0x00, a restart marker, or the
            // marker that ends the scan.
            if (data[at] != 0xFF) {
                // Markers are rare in the scan: finding the next one is most of the work.
                const void *marker = std::memchr(data + at, 0xFF, size_t(size - at));
                if (!marker)
                    return false;
                at = static_cast<const uchar *>(marker) - data;
                continue;
            }
            const uchar next = data[at + 1];
            if (next == 0x00 || (next >= 0xD0 && next <= 0xD7) || next == 0xFF) {
                at += next == 0xFF ? 1 : 2;
                continue;
            }
            inScan = false;
            if (!firstScanEnded) {
                firstScanEnded = true;
                scan.end = at;
            }
        }
        if (data[at] != 0xFF)
            return false;
        const uchar marker = data[at + 1];
        if (marker == 0xFF) {
            ++at; // fill byte
            continue;
        }
        if (marker == 0xD9)
            return true;
        if ((marker >= 0xD0 && marker <= 0xD7) || marker == 0x01) {
            at += 2;
            continue;
        }
        if (at + 3 >= size)
            return false;
        const int length = (data[at + 2] << 8) | data[at + 3];
        if (length < 2)
            return false;
        at += 2 + length;
        inScan = marker == 0xDA;
        if (inScan && scan.begin == 0)
            scan.begin = at;
    }
    return false;
}

// Whether an uncompressed bitmap holds all its rows. The reader leaves missing rows blank and
// calls a cut-off file a success. Compressed bitmaps are left to the reader.
bool bitmapIsComplete(const QByteArray &head, qint64 fileSize, Kind kind)
{
    const qsizetype info = kind == Kind::Bmp ? 14 : 0;
    if (head.size() < info + 20)
        return true;
    const auto u16 = [&](qsizetype at) {
        return qFromLittleEndian<quint16>(head.constData() + at);
    };
    const auto u32 = [&](qsizetype at) {
        return qFromLittleEndian<quint32>(head.constData() + at);
    };
    const quint32 infoSize = u32(info);
    qint64 width = 0;
    qint64 height = 0;
    int bitCount = 0;
    if (infoSize == 12) {
        width = u16(info + 4);
        height = u16(info + 6);
        bitCount = u16(info + 10);
    } else if (infoSize >= 40) {
        width = std::abs(qint64(qint32(u32(info + 4))));
        height = std::abs(qint64(qint32(u32(info + 8))));
        bitCount = u16(info + 14);
        const quint32 compression = u32(info + 16);
        if (compression != 0 && compression != 3 && compression != 6) // RGB or bit fields
            return true;
    } else {
        return true;
    }
    if (width > 1 << 20 || height > 1 << 20 || bitCount > 64)
        return true; // refused by the allocation limit
    const qint64 pixelBytes = (width * bitCount + 31) / 32 * 4 * height;
    const qint64 offset = kind == Kind::Bmp ? u32(10) : infoSize;
    return fileSize >= offset + pixelBytes;
}

bool jpegIsComplete(QFile &file, ProgressiveJpegLoader::ScanBounds &scan)
{
    const qint64 size = file.size();
    if (uchar *mapped = file.map(0, size)) {
        const bool complete = jpegReachesEnd(mapped, size, scan);
        file.unmap(mapped);
        return complete;
    }
    const QByteArray data = file.readAll();
    return file.seek(0)
        && jpegReachesEnd(reinterpret_cast<const uchar *>(data.constData()), data.size(), scan);
}

} // namespace

PictureLoader::PictureLoader(const QString &path, QSize firstPart)
{
    if (path.isEmpty())
        throw AppError::fromNumber(ErrorNumber::FileNotFound);
    // Folders, pipes and devices are no pictures: opening or reading them could block or never
    // end.
    const QFileInfo info(path);
    if (info.exists() && !info.isFile())
        throw AppError::fromNumber(ErrorNumber::PathFileAccess);
    m_file = std::make_unique<QFile>(path);
    if (!m_file->open(QIODevice::ReadOnly))
        throw AppError::fromFile(*m_file, path);

    const QByteArray head = m_file->peek(64);
    if (head.isEmpty())
        invalidPicture();
    const Kind kind = kindOf(head);
    if (kind == Kind::Emf) {
        if (m_file->size() > MaxMetafileBytes)
            invalidPicture();
        m_metafile = m_file->readAll();
        if (m_metafile.size() != m_file->size())
            invalidPicture();
        m_file.reset();
        return;
    }

    ProgressiveJpegLoader::ScanBounds scan;
    if (kind == Kind::Jpeg && !jpegIsComplete(*m_file, scan))
        invalidPicture();
    if ((kind == Kind::Bmp || kind == Kind::Dib) && !bitmapIsComplete(head, m_file->size(), kind))
        invalidPicture();

    if (kind == Kind::Jpeg && firstPart.isValid()) {
        m_jpeg = ProgressiveJpegLoader::open(m_file->handle(), m_file->size(), scan, firstPart,
            qint64(AllocationLimitMiB) * 1024 * 1024);
        if (m_jpeg)
            return;
    }
    readyReader(qtFormatOf(kind));
}

void PictureLoader::readyReader(const QByteArray &qtFormat)
{
    QImageReader::setAllocationLimit(AllocationLimitMiB);
    m_reader = std::make_unique<QImageReader>(m_file.get(), qtFormat);
    m_reader->setAutoTransform(false); // hot spots are placed on the pixels as stored
    m_reader->setDecideFormatFromContent(false);

    if (qtFormat != "gif") {
        // Decoding into a buffer of our own skips most of the cost of touching fresh memory.
        // The reader leaves its allocation limit to the buffer's owner, so check it here.
        const QSize size = m_reader->size();
        const QImage::Format format = m_reader->imageFormat();
        if (size.isValid() && format != QImage::Format_Invalid) {
            const int depth = QImage::toPixelFormat(format).bitsPerPixel();
            const qint64 bytes = (qint64(size.width()) * depth + 31) / 32 * 4 * size.height();
            if (bytes > qint64(AllocationLimitMiB) * 1024 * 1024)
                invalidPicture();
            m_image = allocatePictureImage(size, format);
        }
    }
}

PictureLoader::~PictureLoader() = default;

bool PictureLoader::needsApplication() const
{
    return !m_reader && !m_jpeg;
}

LoadingPicture PictureLoader::load()
{
    if (m_jpeg) {
        m_jpeg->decodeFirstPart();
        return LoadingPicture(std::exchange(m_jpeg, nullptr));
    }
    return decode();
}

QImage PictureLoader::decode()
{
    if (m_jpeg)
        return load().waitForFullPicture();
    if (!m_reader)
        return decodeInChildProcess(m_metafile, pictureDecoderPath());
    QImage image = std::move(m_image);
    bool read = false;
    {
        const PicturePrefault prefault(image);
        read = m_reader->read(&image);
    }
    if (!read || image.isNull())
        invalidPicture();
    // The reader halves the scale of files named like "plan@2x.png"; a site plan is drawn 1:1.
    image.setDevicePixelRatio(1.0);
    return image;
}

QImage loadPicture(const QString &path)
{
    return PictureLoader(path).decode();
}
