#include "imagemap/zoomnavigator.h"

#include "imagemap/imagemap.h"
#include "imagemap/zoomladder.h"

#include <QScrollBar>

#include <algorithm>
#include <cmath>

ZoomNavigator::ZoomNavigator(ImageMap &map, QScrollBar &horizontal, QScrollBar &vertical,
    QWidget &view, QPoint origin, QObject *parent)
    : QObject(parent)
    , m_map(map)
    , m_horizontal(horizontal)
    , m_vertical(vertical)
    , m_view(view)
    , m_origin(origin)
{
    connect(&m_map, &ImageMap::scrollRequested, this, &ZoomNavigator::scrollBy);
    connect(&m_map, &ImageMap::zoomRequested, this, [this](int steps, QPointF widgetPoint) {
        double zoom = m_map.zoom();
        for (int k = 0; k < std::abs(steps); ++k)
            zoom = steps > 0 ? ZoomLadder::stepIn(zoom) : ZoomLadder::stepOut(zoom);
        zoomAbout(zoom, m_map.mapTo(&m_view, widgetPoint));
    });
}

double ZoomNavigator::zoom() const
{
    return m_map.zoom();
}

QRect ZoomNavigator::visibleArea() const
{
    return QRect(m_origin, m_view.size() - QSize(m_origin.x(), m_origin.y()));
}

void ZoomNavigator::zoomIn()
{
    zoomAbout(ZoomLadder::stepIn(zoom()), QRectF(visibleArea()).center());
}

void ZoomNavigator::zoomOut()
{
    zoomAbout(ZoomLadder::stepOut(zoom()), QRectF(visibleArea()).center());
}

void ZoomNavigator::fitPicture()
{
    const QSize picture = m_map.pictureSize();
    if (picture.isEmpty())
        return;
    zoomAbout(ZoomLadder::fit(picture, visibleArea().size()), visibleArea().center());
    // The whole picture shows: its top-left corner at the visible area's.
    setBars(QPointF(0, 0));
}

void ZoomNavigator::actualSize()
{
    zoomAbout(1.0, QRectF(visibleArea()).center());
}

void ZoomNavigator::zoomAbout(double zoom, const QPointF &viewPoint)
{
    const QPointF anchor = m_map.widgetToPicture(m_map.mapFrom(&m_view, viewPoint));
    const bool changed = zoom != m_map.zoom();
    m_map.setZoom(zoom);
    setRanges(false);
    setBars(ZoomLadder::anchoredOffset(anchor, viewPoint - QPointF(m_origin), zoom));
    if (changed)
        emit zoomChanged(zoom);
}

void ZoomNavigator::scrollBy(QPoint pixels)
{
    m_horizontal.setValue(m_horizontal.value() + pixels.x());
    m_vertical.setValue(m_vertical.value() + pixels.y());
}

void ZoomNavigator::showPictureRect(const QRectF &pictureRect)
{
    const QRect area = visibleArea();
    double zoom = m_map.zoom();
    if (pictureRect.width() * zoom > area.width() || pictureRect.height() * zoom > area.height())
        zoom = std::min(zoom, ZoomLadder::fittingStep(pictureRect.size(), area.size()));
    const bool changed = zoom != m_map.zoom();
    m_map.setZoom(zoom);
    setRanges(false);
    setBars(ZoomLadder::anchoredOffset(
        pictureRect.center(), QRectF(QPointF(0, 0), QSizeF(area.size())).center(), zoom));
    if (changed)
        emit zoomChanged(zoom);
}

void ZoomNavigator::updateScrollRanges()
{
    setRanges(true);
}

// A bar at its maximum shows the control's far edge at the view's edge. When only sizes changed
// the bars keep their values, as clamping one would move the picture; a zoom sets new values.
void ZoomNavigator::setRanges(bool keepValues)
{
    const QSize visible = visibleArea().size();
    const int keptX = keepValues ? m_horizontal.value() : 0;
    const int keptY = keepValues ? m_vertical.value() : 0;
    m_horizontal.setMaximum(std::max({ 0, m_map.width() - visible.width(), keptX }));
    m_vertical.setMaximum(std::max({ 0, m_map.height() - visible.height(), keptY }));
    const int step = m_horizontal.singleStep();
    m_horizontal.setPageStep(std::max(step, visible.width() - step));
    m_vertical.setPageStep(std::max(step, visible.height() - step));
}

// The bars at \a offset, and the control where they put it even when neither value changes
// (after a reset the control stands apart from the bars).
void ZoomNavigator::setBars(QPointF offset)
{
    m_horizontal.setValue(int(std::lround(offset.x())));
    m_vertical.setValue(int(std::lround(offset.y())));
    m_map.setLeft(float(m_origin.x() - m_horizontal.value()));
    m_map.setTop(float(m_origin.y() - m_vertical.value()));
}
