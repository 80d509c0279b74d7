#pragma once

#include <QList>
#include <QPoint>
#include <QPolygonF>
#include <QRect>

#include <optional>

class QPainter;

/// The corners of the hot spots as small handles over the control: drawing them, finding the
/// corner or edge under the mouse within a few screen pixels at any zoom, and the live outline
/// of a corner being dragged. Polygons are in picture pixels.
class CornerHandles
{
public:
    struct Hit
    {
        int polygon = -1;
        /// The corner, or for an edge the corner it starts at.
        int index = -1;
    };

    /// How near the mouse must come, in screen pixels.
    static constexpr double Reach = 4;

    void setPolygons(const QList<QPolygonF> &polygons);
    const QList<QPolygonF> &polygons() const { return m_polygons; }
    bool isEmpty() const { return m_polygons.isEmpty(); }

    /// The nearest corner within reach of \a widgetPoint.
    std::optional<Hit> cornerAt(const QPointF &widgetPoint, double zoom) const;
    /// The nearest edge within reach of \a widgetPoint.
    std::optional<Hit> edgeAt(const QPointF &widgetPoint, double zoom) const;

    void beginDrag(const Hit &corner);
    /// Moves the dragged corner; returns the widget area to repaint.
    QRect dragTo(const QPointF &picturePoint, double zoom);
    std::optional<Hit> drag() const { return m_drag; }
    /// Where the dragged corner is now.
    QPointF dragPosition() const;
    /// Ends the drag; the corner goes back where it was. Returns the area to repaint.
    QRect endDrag(double zoom);

    void paint(QPainter &painter, double zoom) const;
    /// Widget area of one polygon with its handles.
    QRect bounds(int polygon, double zoom) const;

private:
    QList<QPolygonF> m_polygons;
    std::optional<Hit> m_drag;
    QPointF m_dragOrigin;
};
