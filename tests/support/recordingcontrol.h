#pragma once

#include "imagemap/imagemapcontrol.h"
#include "platform/apperror.h"

#include <QImage>
#include <QStringList>

/// An image-map control that records what it is given. Setting its map file reads the file as the
/// real control does; it can also be told to raise an error that no file could provoke.
class RecordingControl final : public ImageMapControl
{
public:
    void setInitFlag(bool flag) override { calls.append(QStringLiteral("InitFlag=%1").arg(flag)); }
    void setInitValue(qint32 value) override
    {
        calls.append(QStringLiteral("InitValue=%1").arg(value));
    }
    void setCoordsFile(const QString &path) override
    {
        calls.append(QStringLiteral("coordsfile=") + path);
        if (coordsFileError != 0)
            throw AppError::fromNumber(coordsFileError);
        // Reads the file as the real control does, so it fails where that one fails.
        if (!path.isEmpty())
            coordsFileText(path);
        coordsFile = path;
    }
    void setCoordsString(const QString &mapText) override
    {
        calls.append(QStringLiteral("coordsstring=") + mapText);
        coordsString = mapText;
    }
    void setPicture(const QImage &image) override
    {
        calls.append(image.isNull()
                ? QStringLiteral("Picture=none")
                : QStringLiteral("Picture=%1x%2").arg(image.width()).arg(image.height()));
        picture = image;
    }
    void setLeft(float value) override
    {
        calls.append(QStringLiteral("Left=%1").arg(value));
        left = value;
    }
    void setTop(float value) override
    {
        calls.append(QStringLiteral("Top=%1").arg(value));
        top = value;
    }
    void setConstructionCorners(const QList<QPointF> &value) override { corners = value; }
    void setCornerHandles(const QList<QPolygonF> &polygons) override { handles = polygons; }

    /// Raised by setCoordsFile() instead of reading the file, when not 0.
    int coordsFileError = 0;
    QStringList calls;
    QString coordsFile;
    QString coordsString;
    QImage picture;
    float left = 0;
    float top = 0;
    QList<QPointF> corners;
    QList<QPolygonF> handles;
};
