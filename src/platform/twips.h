#pragma once

#include <QPointF>

#include <cmath>

/// Converts mouse positions between screen pixels and twips, single precision as the mouse
/// events carry them. A whole pixel always comes back as that whole pixel, whatever the number
/// of twips per pixel.
class TwipsConverter
{
public:
    /// Twips per pixel, horizontally and vertically (15 at 96 DPI).
    constexpr TwipsConverter(double perPixelX, double perPixelY)
        : m_x(perPixelX)
        , m_y(perPixelY)
    {
    }

    double perPixelX() const { return m_x; }
    double perPixelY() const { return m_y; }

    float toTwipsX(double pixels) const { return float(pixels * m_x); }
    float toTwipsY(double pixels) const { return float(pixels * m_y); }
    QPointF toTwips(const QPointF &pixels) const
    {
        return { toTwipsX(pixels.x()), toTwipsY(pixels.y()) };
    }

    /// Pixels in single precision, never rounded, except back to the whole pixel the twips
    /// were made from.
    QPointF toPixels(float x, float y) const { return { toPixels(x, m_x), toPixels(y, m_y) }; }

private:
    static double toPixels(float twips, double perPixel)
    {
        const double whole = std::round(double(twips) / perPixel);
        if (float(whole * perPixel) == twips)
            return whole;
        return float(double(twips) / perPixel);
    }

    double m_x;
    double m_y;
};
