#pragma once

#include "platform/loadingpicture.h"

#include <QByteArray>
#include <QImage>
#include <QSize>
#include <QString>

#include <memory>

class QFile;
class QImageReader;

/// Loads a picture file (bitmap, JPEG, GIF, PNG, enhanced metafile) by path. Throws AppError
/// 53 (file not found), 76 (path not found), 75 (a folder, pipe or device) or 481 (not a
/// picture this program can decode).
QImage loadPicture(const QString &path);

/// loadPicture in two steps, so that the decoding can run on a thread of its own: the
/// constructor opens and checks the file and readies its decoder; decode() does the rest, once.
/// Together they throw exactly what loadPicture throws.
class PictureLoader
{
public:
    /// With a valid \a firstPart, a large JPEG that can be decoded in parts is readied for
    /// load() to decode only the top-left \a firstPart at first (ProgressiveJpegLoader).
    explicit PictureLoader(const QString &path, QSize firstPart = {});
    ~PictureLoader();

    /// Whether decode() needs the application object: metafiles are decoded by a program
    /// found beside this one.
    bool needsApplication() const;
    QImage decode();
    /// The picture with its first part decoded and the rest on its way, when the constructor
    /// readied it so; otherwise decode()'s picture.
    LoadingPicture load();

private:
    void readyReader(const QByteArray &qtFormat);

    std::unique_ptr<QFile> m_file;
    std::unique_ptr<QImageReader> m_reader;
    QImage m_image;
    QByteArray m_metafile;
    std::shared_ptr<ProgressiveJpegLoader> m_jpeg;
};
