#include "imagemap/hotspotshape.h"

#include <algorithm>
#include <cmath>
#include <limits>

namespace {

// Far beyond any picture, yet safe to round to int and cheap for the painter.
int drawable(double v)
{
    return int(std::lround(std::clamp(v, -1.0e6, 1.0e6)));
}

} // namespace

std::optional<HotSpotShape> HotSpotShape::fromArea(const MapArea &area)
{
    const QList<double> &c = area.coords;
    HotSpotShape shape;
    shape.m_kind = area.shape;
    switch (area.shape) {
    case MapArea::Shape::Default: {
        const double huge = std::numeric_limits<float>::max();
        shape.m_bounds = QRectF(QPointF(-huge, -huge), QPointF(huge, huge));
        return shape;
    }
    case MapArea::Shape::Rect: {
        if (c.size() < 4)
            return std::nullopt;
        shape.m_bounds = QRectF(QPointF(std::min(c[0], c[2]), std::min(c[1], c[3])),
            QPointF(std::max(c[0], c[2]), std::max(c[1], c[3])));
        shape.m_polygon = QPolygonF(shape.m_bounds);
        break;
    }
    case MapArea::Shape::Circle: {
        if (c.size() < 3 || c[2] <= 0)
            return std::nullopt;
        shape.m_center = QPointF(c[0], c[1]);
        shape.m_radius = c[2];
        shape.m_bounds = QRectF(c[0] - c[2], c[1] - c[2], 2 * c[2], 2 * c[2]);
        break;
    }
    case MapArea::Shape::Poly: {
        if (c.size() < 6)
            return std::nullopt;
        const qsizetype corners = c.size() / 2;
        shape.m_polygon.reserve(corners);
        double left = c[0], right = c[0], top = c[1], bottom = c[1];
        for (qsizetype k = 0; k < corners; ++k) {
            const double x = c[2 * k], y = c[2 * k + 1];
            shape.m_polygon.append(QPointF(x, y));
            left = std::min(left, x);
            right = std::max(right, x);
            top = std::min(top, y);
            bottom = std::max(bottom, y);
        }
        shape.m_bounds = QRectF(QPointF(left, top), QPointF(right, bottom));
        break;
    }
    }
    shape.m_outline.reserve(shape.m_polygon.size());
    for (const QPointF &p : std::as_const(shape.m_polygon))
        shape.m_outline.append(QPoint(drawable(p.x()), drawable(p.y())));
    if (shape.m_kind == MapArea::Shape::Circle) {
        shape.m_circleBox =
            QRect(QPoint(drawable(shape.m_bounds.left()), drawable(shape.m_bounds.top())),
                QPoint(drawable(shape.m_bounds.right()), drawable(shape.m_bounds.bottom())));
    }
    return shape;
}

bool HotSpotShape::contains(const QPointF &p) const
{
    if (p.x() < m_bounds.left() || p.x() > m_bounds.right() || p.y() < m_bounds.top()
        || p.y() > m_bounds.bottom())
        return false;
    switch (m_kind) {
    case MapArea::Shape::Default:
    case MapArea::Shape::Rect:
        return true;
    case MapArea::Shape::Circle: {
        const double dx = p.x() - m_center.x(), dy = p.y() - m_center.y();
        return dx * dx + dy * dy <= m_radius * m_radius;
    }
    case MapArea::Shape::Poly:
        break;
    }
    const QPointF *v = m_polygon.constData();
    const qsizetype n = m_polygon.size();
    bool inside = false;
    for (qsizetype i = 0, j = n - 1; i < n; j = i++) {
        const QPointF &a = v[j], &b = v[i];
        // A point on the outline counts as inside, as the outline is drawn on those pixels.
        const double cross = (b.x() - a.x()) * (p.y() - a.y()) - (b.y() - a.y()) * (p.x() - a.x());
        if (cross == 0 && p.x() >= std::min(a.x(), b.x()) && p.x() <= std::max(a.x(), b.x())
            && p.y() >= std::min(a.y(), b.y()) && p.y() <= std::max(a.y(), b.y()))
            return true;
        if ((a.y() > p.y()) != (b.y() > p.y())) {
            const double x = a.x() + (p.y() - a.y()) * (b.x() - a.x()) / (b.y() - a.y());
            if (p.x() < x)
                inside = !inside;
        }
    }
    return inside;
}
