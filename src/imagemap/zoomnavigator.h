#pragma once

#include <QObject>
#include <QPoint>
#include <QRect>

class ImageMap;
class QScrollBar;
class QWidget;

/// Zooms and scrolls an ImageMap inside a fixed view: the view's scroll bars move the control,
/// and with the bars at 0 the control's top-left corner stands at the view's origin. Zooming
/// keeps a picture point where it is: the one under the mouse for the wheel, the centre of the
/// visible area for the keys.
class ZoomNavigator : public QObject
{
    Q_OBJECT

public:
    /// \a view holds the control and the bars; \a origin is where the control stands in it
    /// with both bars at 0; what lies right of and below the origin shows the picture.
    ZoomNavigator(ImageMap &map, QScrollBar &horizontal, QScrollBar &vertical, QWidget &view,
        QPoint origin, QObject *parent = nullptr);

    double zoom() const;
    /// The part of the view that shows the control.
    QRect visibleArea() const;

    void zoomIn();
    void zoomOut();
    void fitPicture();
    void actualSize();
    /// Zooms to \a zoom keeping the picture point under \a viewPoint (view coordinates) there.
    void zoomAbout(double zoom, const QPointF &viewPoint);
    /// Moves the view over the control by \a pixels (positive: right and down).
    void scrollBy(QPoint pixels);
    /// Scrolls so that \a pictureRect (picture pixels) is centred, first zooming out to the
    /// largest step at which it fits when it does not fit at the current zoom.
    void showPictureRect(const QRectF &pictureRect);
    /// The bars' ranges after the control or the view changed size; their values stay.
    void updateScrollRanges();

signals:
    void zoomChanged(double zoom);

private:
    void setBars(QPointF offset);
    void setRanges(bool keepValues);

    ImageMap &m_map;
    QScrollBar &m_horizontal;
    QScrollBar &m_vertical;
    QWidget &m_view;
    QPoint m_origin;
};
