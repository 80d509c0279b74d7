#pragma once

#include "imagemap/imagemapcontrol.h"

/// An image-map control that keeps nothing but the size of the last corner list, so that handing
/// over a huge polygon costs nothing (a kept copy would be copied again at every new corner).
class NullControl final : public ImageMapControl
{
public:
    void setInitFlag(bool) override { }
    void setInitValue(qint32) override { }
    void setCoordsFile(const QString &path) override
    {
        if (!path.isEmpty())
            coordsFileText(path);
    }
    void setCoordsString(const QString &) override { }
    void setPicture(const QImage &) override { }
    void setLeft(float) override { }
    void setTop(float) override { }
    void setConstructionCorners(const QList<QPointF> &corners) override
    {
        lastSize = corners.size();
    }

    qsizetype lastSize = 0;
};
