#pragma once

#include <QByteArray>
#include <QImage>
#include <QString>

#include <chrono>

/// The decoder executable: $QUORVEL_PICTURE_DECODER when set, else "quorvel-picture-decoder"
/// beside the running program, else in ../libexec/quorvel from it.
QString pictureDecoderPath();

/// Decodes \a data in a child process running \a decoder. Throws AppError 481 when the decoder
/// fails, crashes, cannot be started, or is still running after \a timeout (it is then killed).
QImage decodeInChildProcess(const QByteArray &data, const QString &decoder,
    std::chrono::milliseconds timeout = std::chrono::seconds(10));
