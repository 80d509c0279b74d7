#pragma once

#include <QByteArray>
#include <QImage>
#include <QString>

#include <memory>

class QFile;
class QImageReader;

/// Loads a picture file (bitmap, JPEG, GIF, PNG, enhanced metafile) by path. Throws AppError
/// 53 (file not found), 76 (path not found), 75 (a folder, pipe or device) or 481 (not a
/// picture this program can decode).
QImage LoadPicture(const QString &path);

/// LoadPicture in two steps, so that the decoding can run on a thread of its own: the
/// constructor opens and checks the file and readies its decoder; decode() does the rest, once.
/// Together they throw exactly what LoadPicture throws.
class PictureLoader
{
public:
    explicit PictureLoader(const QString &path);
    ~PictureLoader();

    /// Whether decode() needs the application object: metafiles are decoded by a program
    /// found beside this one.
    bool needsApplication() const;
    QImage decode();

private:
    std::unique_ptr<QFile> m_file;
    std::unique_ptr<QImageReader> m_reader;
    QImage m_image;
    QByteArray m_metafile;
};
