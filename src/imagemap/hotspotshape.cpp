#include "imagemap/hotspotshape.h"

#include <QLineF>

#include <algorithm>
#include <cmath>
#include <limits>

namespace {

// Far beyond any picture, yet safe to round to int and cheap for the painter.
int drawable(double v)
{
    return int(std::lround(std::clamp(v, -1.0e6, 1.0e6)));
}

double cross(const QPointF &o, const QPointF &a, const QPointF &b)
{
    return (a.x() - o.x()) * (b.y() - o.y()) - (a.y() - o.y()) * (b.x() - o.x());
}

// Corners that enclose nothing: fewer than three, or all on one line (exactly, so a thin but
// real sliver keeps the browser rule).
bool enclosesNothing(const QPolygonF &corners)
{
    if (corners.size() < 3)
        return true;
    const QPointF &first = corners.constFirst();
    const auto far =
        std::max_element(corners.cbegin(), corners.cend(), [&](const QPointF &a, const QPointF &b) {
            return QLineF(first, a).length() < QLineF(first, b).length();
        });
    return std::all_of(corners.cbegin(), corners.cend(),
        [&](const QPointF &c) { return cross(first, *far, c) == 0; });
}

} // namespace

double distanceToSegment(const QPointF &p, const QPointF &a, const QPointF &b)
{
    const QPointF ab = b - a;
    const double length2 = QPointF::dotProduct(ab, ab);
    const double t =
        length2 > 0 ? std::clamp(QPointF::dotProduct(p - a, ab) / length2, 0.0, 1.0) : 0.0;
    return QLineF(p, a + ab * t).length();
}

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
        if (c.size() < 2)
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
        if (enclosesNothing(shape.m_polygon)) {
            // On one line, the outline covers the segment between the extreme corners.
            const auto [low, high] = std::minmax_element(shape.m_polygon.cbegin(),
                shape.m_polygon.cend(), [](const QPointF &a, const QPointF &b) {
                    return a.x() < b.x() || (a.x() == b.x() && a.y() < b.y());
                });
            shape.m_polygon = QPolygonF({ *low, *high });
            shape.m_degenerate = true;
        }
        break;
    }
    }
    if (shape.m_kind == MapArea::Shape::Rect
        && (shape.m_bounds.width() == 0 || shape.m_bounds.height() == 0)) {
        shape.m_polygon = QPolygonF({ shape.m_bounds.topLeft(), shape.m_bounds.bottomRight() });
        shape.m_degenerate = true;
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

bool HotSpotShape::hits(const QPointF &p, double tolerance) const
{
    if (!m_degenerate)
        return contains(p);
    return distanceToSegment(p, m_polygon.constFirst(), m_polygon.constLast()) <= tolerance;
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
