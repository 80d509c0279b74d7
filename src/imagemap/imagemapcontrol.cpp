#include "imagemap/imagemapcontrol.h"

#include "platform/apperror.h"
#include "platform/loadingpicture.h"
#include "platform/textfile.h"

#include <QFileInfo>

QString ImageMapControl::coordsFileText(const QString &path)
{
    // A missing folder is as much "no map yet" as a missing file.
    if (!QFileInfo::exists(path))
        throw AppError::fromNumber(ErrorNumber::FileNotFound);
    TextFileReader reader(path);
    QString text;
    while (!reader.atEnd()) {
        text += reader.readLine();
        text += u'\n';
    }
    return text;
}

void ImageMapControl::setLoadingPicture(const LoadingPicture &picture)
{
    setPicture(picture.waitForFullPicture());
}
