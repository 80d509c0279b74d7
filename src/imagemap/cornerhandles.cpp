#include "imagemap/cornerhandles.h"

#include "imagemap/hotspotshape.h"

#include <QLineF>
#include <QPainter>

#include <algorithm>
#include <cmath>

namespace {

const QColor handleFill(0xff, 0xff, 0xff);
const QColor handleEdge(0x00, 0x00, 0x00);
const QColor dragOutline(0xff, 0x80, 0x00);
constexpr double HandleHalf = 3;

} // namespace

void CornerHandles::setPolygons(const QList<QPolygonF> &polygons)
{
    m_polygons = polygons;
    m_drag.reset();
}

namespace {

// The corner or edge (its first corner's index) nearest to the point, within reach.
template <typename Distance>
std::optional<CornerHandles::Hit> nearest(
    const QList<QPolygonF> &polygons, double reach, Distance distance)
{
    std::optional<CornerHandles::Hit> best;
    double bestDistance = reach;
    for (int p = 0; p < polygons.size(); ++p) {
        for (int k = 0; k < polygons[p].size(); ++k) {
            const double d = distance(polygons[p], k);
            if (d <= bestDistance) {
                bestDistance = d;
                best = CornerHandles::Hit { p, k };
            }
        }
    }
    return best;
}

} // namespace

std::optional<CornerHandles::Hit> CornerHandles::cornerAt(
    const QPointF &widgetPoint, double zoom) const
{
    return nearest(m_polygons, Reach, [&](const QPolygonF &polygon, int k) {
        return QLineF(widgetPoint, polygon[k] * zoom).length();
    });
}

std::optional<CornerHandles::Hit> CornerHandles::edgeAt(
    const QPointF &widgetPoint, double zoom) const
{
    return nearest(m_polygons, Reach, [&](const QPolygonF &polygon, int k) {
        return distanceToSegment(
            widgetPoint, polygon[k] * zoom, polygon[(k + 1) % polygon.size()] * zoom);
    });
}

void CornerHandles::beginDrag(const Hit &corner)
{
    m_drag = corner;
    m_dragOrigin = m_polygons[corner.polygon][corner.index];
}

QPointF CornerHandles::dragPosition() const
{
    return m_drag ? m_polygons[m_drag->polygon][m_drag->index] : QPointF();
}

QRect CornerHandles::dragTo(const QPointF &picturePoint, double zoom)
{
    if (!m_drag)
        return {};
    const QRect before = bounds(m_drag->polygon, zoom);
    m_polygons[m_drag->polygon][m_drag->index] = picturePoint;
    return before | bounds(m_drag->polygon, zoom);
}

QRect CornerHandles::endDrag(double zoom)
{
    if (!m_drag)
        return {};
    const QRect dirty = dragTo(m_dragOrigin, zoom);
    m_drag.reset();
    return dirty;
}

QRect CornerHandles::bounds(int polygon, double zoom) const
{
    const QRectF box = m_polygons.at(polygon).boundingRect();
    const int margin = int(HandleHalf) + 3;
    return QRect(QPoint(int(std::floor(box.left() * zoom)), int(std::floor(box.top() * zoom))),
        QPoint(int(std::ceil(box.right() * zoom)), int(std::ceil(box.bottom() * zoom))))
        .adjusted(-margin, -margin, margin, margin);
}

void CornerHandles::paint(QPainter &painter, double zoom) const
{
    painter.save();
    painter.resetTransform();
    painter.setRenderHint(QPainter::Antialiasing, false);
    if (m_drag) {
        // The outline follows the dragged corner.
        QPen pen(dragOutline, 0);
        pen.setCosmetic(true);
        painter.setPen(pen);
        painter.setBrush(Qt::NoBrush);
        QPolygonF outline;
        for (const QPointF &corner : m_polygons[m_drag->polygon])
            outline.append(corner * zoom);
        painter.drawPolygon(outline);
    }
    painter.setPen(QPen(handleEdge, 0));
    painter.setBrush(handleFill);
    for (const QPolygonF &polygon : m_polygons) {
        for (const QPointF &corner : polygon) {
            const QPointF at = corner * zoom;
            painter.drawRect(
                QRectF(at.x() - HandleHalf, at.y() - HandleHalf, 2 * HandleHalf, 2 * HandleHalf));
        }
    }
    painter.restore();
}
