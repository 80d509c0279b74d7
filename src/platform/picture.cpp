#include "platform/picture.h"

#include "platform/apperror.h"

#include <QFileInfo>
#include <QImageReader>

QImage LoadPicture(const QString &path)
{
    const QFileInfo info(path);
    if (!info.exists()) {
        const QFileInfo parent(info.absolutePath());
        throw AppError::fromNumber(path.isEmpty() || parent.isDir() ? ErrorNumber::FileNotFound
                                                                    : ErrorNumber::PathNotFound);
    }
    QImageReader reader(path);
    QImage image = reader.read();
    if (image.isNull())
        throw AppError::fromNumber(ErrorNumber::InvalidPicture);
    return image;
}
