#pragma once

#include <QList>
#include <QPoint>

#include <algorithm>
#include <cmath>
#include <numbers>

/// Half a pixel, allowing for the rounding of the measurement itself: a circle can pass exactly
/// half-way between two whole pixels.
inline constexpr double halfPixel = 0.5 + 1e-9;

/// How far a polygon's outline strays from a circle, measured from the centre: the largest of
/// the corners' distances off the radius and the edges' dips inside it.
inline double maxCircleDeviation(const QList<QPoint> &polygon, double cx, double cy, double r)
{
    double worst = 0;
    for (qsizetype i = 0; i < polygon.size(); ++i) {
        const double ax = polygon[i].x() - cx, ay = polygon[i].y() - cy;
        const QPoint b = polygon[(i + 1) % polygon.size()];
        const double ex = b.x() - cx - ax, ey = b.y() - cy - ay;
        const double length2 = ex * ex + ey * ey;
        const double t = length2 > 0 ? std::clamp(-(ax * ex + ay * ey) / length2, 0.0, 1.0) : 0.0;
        worst = std::max(worst, std::abs(std::hypot(ax, ay) - r));
        worst = std::max(worst, r - std::hypot(ax + t * ex, ay + t * ey));
    }
    return worst;
}

/// Whether the polygon goes once around the centre, always the same way.
inline bool windsOnce(const QList<QPoint> &polygon, double cx, double cy)
{
    double total = 0;
    for (qsizetype i = 0; i < polygon.size(); ++i) {
        const QPoint a = polygon[i];
        const QPoint b = polygon[(i + 1) % polygon.size()];
        double step = std::atan2(b.y() - cy, b.x() - cx) - std::atan2(a.y() - cy, a.x() - cx);
        if (step <= -std::numbers::pi)
            step += 2 * std::numbers::pi;
        if (step > std::numbers::pi)
            step -= 2 * std::numbers::pi;
        if (step <= 0)
            return false;
        total += step;
    }
    return std::abs(total - 2 * std::numbers::pi) < 1e-6;
}
