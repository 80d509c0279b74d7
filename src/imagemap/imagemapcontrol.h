#pragma once

#include <QList>
#include <QPointF>
#include <QPolygonF>
#include <QString>

class LoadingPicture;
class QImage;

/// The properties the editor sets on its image-map display control. The control reports back
/// only through its mouse events.
class ImageMapControl
{
public:
    virtual ~ImageMapControl() = default;

    virtual void setInitFlag(bool flag) = 0;
    virtual void setInitValue(qint32 value) = 0;
    /// Reads the map file and shows its hot spots; the empty path clears them. Throws what
    /// coordsFileText() throws.
    virtual void setCoordsFile(const QString &path) = 0;
    /// Replaces every hot spot with those of the given map text.
    virtual void setCoordsString(const QString &mapText) = 0;
    /// The background picture, drawn unscaled at the top-left corner; a null image clears it.
    virtual void setPicture(const QImage &picture) = 0;
    /// setPicture() for a picture that may still be decoding; a control that cannot show one in
    /// parts waits for the whole picture.
    virtual void setLoadingPicture(const LoadingPicture &picture);
    /// Position in the main window, in pixels.
    virtual void setLeft(float left) = 0;
    virtual void setTop(float top) = 0;
    /// Corners (in picture pixels) of the polygon under construction, drawn with a line to the
    /// mouse; empty when nothing is being drawn.
    virtual void setConstructionCorners(const QList<QPointF> &corners) = 0;
    /// Handles on the corners of \a polygons (picture pixels) for moving, adding and removing
    /// corners; none turns them off. While they show, the left and right buttons work the
    /// handles and raise no click events.
    virtual void setCornerHandles(const QList<QPolygonF> &polygons) { Q_UNUSED(polygons) }

    /// The text of the map file that setCoordsFile() shows, lines joined by LF. Throws AppError
    /// 53 when the file or its folder does not exist, and the map file reader's errors for a
    /// file it cannot read (75 for a folder, a pipe or a device).
    static QString coordsFileText(const QString &path);
};
