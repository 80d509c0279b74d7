#pragma once

#include <QImage>
#include <QPoint>
#include <QPolygon>
#include <QRect>

// One enclosed region of a picture, outlined along the centre of its boundary line.
struct TracedSite
{
    // Corners in whole picture pixels; neighbouring sites share their edges.
    QPolygon outline;
    // Width of the boundary line in pixels (0 where the boundary is a change of colour).
    double lineWidth = 0;
    // The region's pixels inside its boundary line, labels and holes included, as a mask
    // (Format_Grayscale8, 255 inside) whose top left pixel is bounds.topLeft() in the picture.
    QRect bounds;
    QImage interior;
    // A point well inside the region (the one farthest from its boundary).
    QPoint inside;
    // Angle in degrees, within ±45, of the region's dominant edge direction; rotating the
    // interior by minus this angle makes text printed along the edges read horizontally.
    double angle = 0;
    // The region reaches the picture's edge (only reported by detection).
    bool touchesEdge = false;
};
