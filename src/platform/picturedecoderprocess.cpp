#include "platform/picturedecoderprocess.h"

#include "platform/apperror.h"
#include "platform/helperprogram.h"
#include "platform/picturebuffer.h"

#include <QDeadlineTimer>
#include <QProcess>
#include <QtEndian>

#include <cstring>

using namespace Qt::StringLiterals;

namespace {

constexpr qint64 MaxPixels = 100'000'000;
constexpr int MaxSide = 32767;

[[noreturn]] void invalidPicture()
{
    throw AppError::fromNumber(ErrorNumber::InvalidPicture);
}

QImage parseDecoderOutput(const QByteArray &out)
{
    if (out.size() < 12 || !out.startsWith("QPIC"))
        invalidPicture();
    const quint32 width = qFromLittleEndian<quint32>(out.constData() + 4);
    const quint32 height = qFromLittleEndian<quint32>(out.constData() + 8);
    if (width == 0 || height == 0 || width > MaxSide || height > MaxSide
        || qint64(width) * height > MaxPixels || out.size() != 12 + qint64(width) * height * 4)
        invalidPicture();
    QImage image = allocatePictureImage(QSize(int(width), int(height)), QImage::Format_RGB32);
    if (image.isNull())
        image = QImage(int(width), int(height), QImage::Format_RGB32);
    if (image.isNull())
        invalidPicture();
    const size_t row = size_t(width) * 4;
    for (int y = 0; y < int(height); ++y)
        std::memcpy(image.scanLine(y), out.constData() + 12 + y * qsizetype(row), row);
    return image;
}

} // namespace

QString pictureDecoderPath()
{
    return helperProgramPath("QUORVEL_PICTURE_DECODER", u"quorvel-picture-decoder"_s);
}

QImage decodeInChildProcess(
    const QByteArray &data, const QString &decoder, std::chrono::milliseconds timeout)
{
    const QDeadlineTimer deadline(timeout);
    QProcess process;
    process.setProcessChannelMode(QProcess::SeparateChannels);
    process.setStandardErrorFile(QProcess::nullDevice());
    process.start(decoder, {}, QIODevice::ReadWrite);
    if (!process.waitForStarted(int(std::max<qint64>(deadline.remainingTime(), 1)))) {
        qWarning("Cannot start the picture decoder %s", qPrintable(decoder));
        invalidPicture();
    }
    process.write(data);
    process.closeWriteChannel();

    // Waiting also drains the decoder's output, so it never blocks on a full pipe.
    if (!process.waitForFinished(int(std::max<qint64>(deadline.remainingTime(), 1)))) {
        process.kill();
        process.waitForFinished(1000);
        invalidPicture();
    }
    if (process.exitStatus() != QProcess::NormalExit || process.exitCode() != 0)
        invalidPicture();
    return parseDecoderOutput(process.readAllStandardOutput());
}
