#pragma once

#include "imagemap/areaparser.h"

#include <QColor>
#include <QPolygon>
#include <QPolygonF>
#include <QRectF>

#include <optional>

/// The region of one area in picture pixels, as a browser hit-tests it.
/// How far \a p lies from the segment from \a a to \a b.
double distanceToSegment(const QPointF &p, const QPointF &a, const QPointF &b);

class HotSpotShape
{
public:
    /// The shape of \a area; nothing when its coordinates give nothing to show (no corner,
    /// too few numbers for a rectangle, a radius that is not positive).
    static std::optional<HotSpotShape> fromArea(const MapArea &area);

    MapArea::Shape kind() const { return m_kind; }
    /// Bounds of the region; an area of shape "default" covers everything.
    const QRectF &bounds() const { return m_bounds; }
    /// Whether \a point lies inside or on the outline (polygons by the even-odd rule).
    bool contains(const QPointF &point) const;

    /// A polygon or rectangle without area (fewer than three corners, all corners on one
    /// line, no width or no height): a browser never hits it, so it is shown as the segment
    /// between its extreme corners, or as a dot.
    bool isDegenerate() const { return m_degenerate; }
    bool isDot() const { return m_degenerate && m_bounds.isNull(); }
    /// Whether a click at \a point reaches the area: contains() for areas with a region, and
    /// within \a tolerance pixels of the segment or dot for those without.
    bool hits(const QPointF &point, double tolerance) const;

    const QPolygonF &polygon() const { return m_polygon; }
    /// The outline in whole pixels, as drawn (polygons and rectangles).
    const QPolygon &outline() const { return m_outline; }
    /// The square around a circle, in whole pixels.
    const QRect &circleBox() const { return m_circleBox; }

private:
    MapArea::Shape m_kind = MapArea::Shape::Poly;
    QRectF m_bounds;
    QPolygonF m_polygon;
    QPolygon m_outline;
    bool m_degenerate = false;
    QRect m_circleBox;
    QPointF m_center;
    double m_radius = 0;
};
