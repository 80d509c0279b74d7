#pragma once

#include "imagemap/cornerhandles.h"
#include "imagemap/hotspotshape.h"
#include "imagemap/imagemapcontrol.h"
#include "imagemap/proposallayer.h"
#include "imagemap/scaledpicture.h"

#include <QColor>
#include <QImage>
#include <QList>
#include <QWidget>

#include <array>

class QPainter;
class QTimer;

/// Shows a picture with the outlines of the areas of a map text, and reports mouse activity
/// over it: where (in twips from the picture's top-left corner), which buttons and keys, and
/// which area was pressed.
class ImageMap : public QWidget, public ImageMapControl
{
    Q_OBJECT

public:
    explicit ImageMap(QWidget *parent = nullptr);

    void setInitFlag(bool flag) override;
    void setInitValue(qint32 value) override;
    void setCoordsFile(const QString &path) override;
    void setCoordsString(const QString &mapText) override;
    void setPicture(const QImage &picture) override;
    /// Shows what is decoded of a picture still decoding, and the rest as it comes.
    void setLoadingPicture(const LoadingPicture &picture) override;
    void setLeft(float left) override;
    void setTop(float top) override;
    void setConstructionCorners(const QList<QPointF> &corners) override;
    void setCornerHandles(const QList<QPolygonF> &polygons) override;
    const CornerHandles &cornerHandles() const { return m_handles; }
    /// Puts a corner being dragged back where it was; returns whether one was.
    bool cancelCornerDrag();

    bool initFlag() const { return m_initFlag; }
    qint32 initValue() const { return m_initValue; }
    /// Number of areas that have a region, in document order.
    qsizetype hotSpotCount() const { return m_spots.size(); }
    /// The id of the first area containing \a pixel, or a null string.
    QString hotSpotAt(const QPointF &pixel) const;

    /// The whole picture (a null image when there is none). While it is still being decoded,
    /// waits for it with the busy cursor (waitForFullPicture()).
    const QImage &picture() const;
    /// Blocks, with the busy cursor, until every pixel of the picture is decoded. What needs
    /// the picture's pixels calls it first; painting does not need it.
    void waitForFullPicture() const;
    /// Highlights the areas with this id for \a msec milliseconds.
    void flashHotSpot(const QString &name, int msec);
    /// Outlines proposed for new hot spots, drawn dashed over the plan; none to remove them.
    void setProposals(const QList<QPolygon> &outlines, int selected);
    /// Screen pixels per picture pixel; 1 at start.
    double zoom() const { return m_zoom; }
    /// Shows the picture, outlines and corners scaled by \a zoom; the control grows or shrinks
    /// with the zoomed picture, and its mouse events still report picture pixels.
    void setZoom(double zoom);
    /// The picture point (in picture pixels, not rounded) shown at \a widgetPoint, and back.
    QPointF widgetToPicture(const QPointF &widgetPoint) const;
    QPointF pictureToWidget(const QPointF &picturePoint) const;
    /// The picture pixel under \a widgetPoint.
    QPoint picturePixelAt(const QPointF &widgetPoint) const;
    QSize pictureSize() const { return m_picture.size(); }
    /// The picture's scaled copies (made on a worker thread when first zoomed out).
    ScaledPicture &scaledPicture() { return m_scaled; }

    /// The size the control has without a picture (in pixels).
    static QSize designSize() { return { 3824, 2005 }; }
    QSize sizeHint() const override;

signals:
    void MouseDown(int Button, int Shift, float X, float Y);
    void MouseUp(int Button, int Shift, float X, float Y);
    void MouseMove(int Button, int Shift, float X, float Y);
    void HotSpotMouseDown(const QString &Name, int Button, int Shift, float X, float Y);
    void HotSpotMouseUp(const QString &Name, int Button, int Shift, float X, float Y);
    /// The areas shown were replaced (a new map text or map file).
    void areasChanged();
    /// The wheel, or a drag with the middle button, asks to move the view over the picture by
    /// \a pixels (screen pixels; positive is right and down).
    void scrollRequested(QPoint pixels);
    /// Ctrl+wheel asks to zoom \a steps steps in (negative: out) about \a widgetPoint.
    void zoomRequested(int steps, QPointF widgetPoint);
    /// A handle was dragged to picture pixel \a pixel and let go.
    void cornerMoved(int polygon, int corner, QPoint pixel);
    /// A double-click on an edge, after corner \a afterCorner, at picture pixel \a pixel.
    void cornerInserted(int polygon, int afterCorner, QPoint pixel);
    /// A right-click on a handle.
    void cornerRemoved(int polygon, int corner);
    /// A left double-click off the hot spots, after its second click's MouseUp, at picture
    /// pixel \a pixel with keys \a shift held. Not while handles show.
    void pictureDoubleClicked(QPoint pixel, int shift);

protected:
    void paintEvent(QPaintEvent *event) override;
    void mousePressEvent(QMouseEvent *event) override;
    void mouseReleaseEvent(QMouseEvent *event) override;
    void mouseMoveEvent(QMouseEvent *event) override;
    void leaveEvent(QEvent *event) override;
    void wheelEvent(QWheelEvent *event) override;
    void mouseDoubleClickEvent(QMouseEvent *event) override;

private:
    struct HotSpot
    {
        HotSpotShape shape;
        QString name; // the id as written in the map text
        QColor color;
    };
    struct Press
    {
        bool active = false;
        bool inDownEvents = false;
        bool released = false;
        int shift = 0;
        QPointF pos;
        int releaseShift = 0;
        QPointF releasePos;
        bool onHotSpot = false;
        QString name;
        bool doubleClick = false; ///< the second press of a double-click
    };

    void showAreas(const QList<MapArea> &areas);
    int hotSpotIndexAt(const QPointF &pixel) const;
    double hitSlack() const;
    void setHover(int index);
    void trackMouse(const QPointF &pos, bool inside);
    void updateHotSpot(int index);
    void updateRubberLine();
    void finishPress(int slot, const QPointF &pos, int shift);
    void updateSize();
    void paintFlash(QPainter &painter);
    float twipsX(const QPointF &pos) const;
    float twipsY(const QPointF &pos) const;
    void paintPicture(QPainter &painter, const QRect &exposed);
    void drawLevel(QPainter &painter, const ScaledPicture::Level &level, const QRegion &region,
        const QRect &sourceLimit = {});
    void showDecoded(const QRegion &pixels);
    void showCopy();
    QRect widgetBounds(const QRectF &pictureRect, int margin) const;
    /// Handles the press, move or release when corner handles show; returns whether it did.
    bool handlePress(QMouseEvent *event);
    bool handleMove(QMouseEvent *event);
    bool handleRelease(QMouseEvent *event);

    QImage m_picture;
    ScaledPicture m_scaled;
    // The copies the last paint drew from, so that a new copy repaints only when it shows.
    int m_shownLevel = 0;
    int m_shownStandIn = -1;
    bool m_decodingAsked = false;
    double m_zoom = 1.0;
    bool m_panning = false;
    QPointF m_panFrom;
    QPoint m_wheelZoom;
    QList<HotSpot> m_spots;
    QList<QPointF> m_corners;
    CornerHandles m_handles;
    ProposalLayer m_proposals;
    QPointF m_mouse;
    bool m_mouseInside = false;
    int m_hover = -1;
    std::array<Press, 3> m_presses;
    QString m_flashName;
    QTimer *m_flashTimer = nullptr;
    bool m_initFlag = false;
    qint32 m_initValue = 0;
};
