#pragma once

#include <QLineF>
#include <QRect>
#include <QRectF>
#include <QRegion>

#include <cmath>

// Repaint regions around what the control draws: a rectangle grown by a margin, and the thin
// band along a line.
namespace WidgetRegions {

inline QRect inflated(const QRectF &r, int margin)
{
    const auto clampInt = [](double v) { return int(std::clamp(v, -1.0e6, 1.0e6)); };
    return QRect(QPoint(clampInt(std::floor(r.left())), clampInt(std::floor(r.top()))),
        QPoint(clampInt(std::ceil(r.right())), clampInt(std::ceil(r.bottom()))))
        .adjusted(-margin, -margin, margin, margin);
}

// Thin rectangles along a line, so that moving a long rubber line repaints little.
inline QRegion lineRegion(QPointF a, QPointF b)
{
    const double length = std::hypot(b.x() - a.x(), b.y() - a.y());
    const int pieces = std::clamp(int(length / 24) + 1, 1, 32);
    QRegion region;
    for (int k = 0; k < pieces; ++k) {
        const QPointF p = a + (b - a) * (double(k) / pieces);
        const QPointF q = a + (b - a) * (double(k + 1) / pieces);
        region += inflated(QRectF(p, q).normalized(), 2);
    }
    return region;
}

} // namespace WidgetRegions
