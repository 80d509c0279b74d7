#pragma once

#include "imagemap/areaparser.h"

#include <QColor>
#include <QPolygon>
#include <QPolygonF>
#include <QRectF>

#include <optional>

/// The region of one area in picture pixels, as a browser hit-tests it.
class HotSpotShape
{
public:
    /// The shape of \a area; nothing when its coordinates give no region (too few numbers,
    /// a radius that is not positive).
    static std::optional<HotSpotShape> fromArea(const MapArea &area);

    MapArea::Shape kind() const { return m_kind; }
    /// Bounds of the region; an area of shape "default" covers everything.
    const QRectF &bounds() const { return m_bounds; }
    /// Whether \a point lies inside or on the outline (polygons by the even-odd rule).
    bool contains(const QPointF &point) const;

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
    QRect m_circleBox;
    QPointF m_center;
    double m_radius = 0;
};
