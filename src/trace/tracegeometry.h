#pragma once

#include <opencv2/core.hpp>

#include <cmath>
#include <numbers>
#include <optional>

// Plane geometry of traced outlines, in continuous picture-window coordinates.
namespace RegionTrace {

struct Vec
{
    double x = 0, y = 0;
};
inline Vec operator+(Vec a, Vec b)
{
    return { a.x + b.x, a.y + b.y };
}
inline Vec operator-(Vec a, Vec b)
{
    return { a.x - b.x, a.y - b.y };
}
inline Vec operator*(double s, Vec a)
{
    return { s * a.x, s * a.y };
}
inline double cross(Vec a, Vec b)
{
    return a.x * b.y - a.y * b.x;
}
inline double dot(Vec a, Vec b)
{
    return a.x * b.x + a.y * b.y;
}
inline double length(Vec a)
{
    return std::hypot(a.x, a.y);
}
inline Vec unit(Vec a)
{
    const double l = length(a);
    return l > 0 ? Vec { a.x / l, a.y / l } : Vec { 1, 0 };
}

// Pixel centre of a contour point.
inline Vec centre(cv::Point p)
{
    return { p.x + 0.5, p.y + 0.5 };
}

inline double distanceToLine(Vec p, Vec a, Vec b)
{
    const Vec d = b - a;
    const double l = length(d);
    return l > 0 ? std::abs(cross(d, p - a)) / l : length(p - a);
}

struct Line
{
    Vec point, direction;
};

// Where two lines meet, unless they are too close to parallel for the point to mean anything.
inline std::optional<Vec> intersect(const Line &a, const Line &b)
{
    const double denominator = cross(a.direction, b.direction);
    if (std::abs(denominator) < std::sin(8 * std::numbers::pi / 180))
        return std::nullopt;
    const double t = cross(b.point - a.point, b.direction) / denominator;
    return a.point + t * a.direction;
}

} // namespace RegionTrace
