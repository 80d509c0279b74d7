#pragma once

#include "trace/linemeasure.h"

#include <QPolygon>

#include <opencv2/core.hpp>

#include <vector>

// The traced contour turned into a polygon of straight edges and their corners.
namespace RegionTrace {

// The polygon along the centre of the boundary line: the contour simplified, each edge fitted
// by a straight line moved out to the line's centre, corners where neighbouring edges meet.
// Where the boundary is a change of colour (no line), the contour is simplified to within
// colourTolerance pixels.
QPolygon centreLine(const std::vector<cv::Point> &contour, double orientation,
    const LineMeasure &line, double colourTolerance, int trim, QPoint origin);

// The outer boundary of mask's region around its first pixel in reading order, along its
// pixels' edges (whole-pixel corners, so the polygon covers exactly the region's pixels),
// simplified to within tolerance pixels.
QPolygon pixelEdges(const cv::Mat &mask, double tolerance, QPoint origin);

// Length-weighted peak of the outline's edge directions, folded into ±45°.
double dominantAngle(const QPolygon &outline);

} // namespace RegionTrace
