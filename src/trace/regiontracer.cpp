#include "trace/regiontracer.h"

#include "trace/linemeasure.h"
#include "trace/outlinefit.h"
#include "trace/regiongrowth.h"
#include "trace/tracemasks.h"

#include <QImage>

#include <opencv2/core.hpp>
#include <opencv2/imgproc.hpp>

#include <algorithm>
#include <vector>

using namespace RegionTrace;

namespace {

// Flat colours differ by more than this; shades of a line are found by what lies around them.
constexpr int flatTolerance = 4;
// Boundary lines and the shading of coasts on maps of few colours are thin: a region reaches
// no farther than this into them.
constexpr int flatLineReach = 6;
// Outlines of such maps stay this close to the region's pixel edges.
constexpr double flatOutlineTolerance = 0.5;

} // namespace

WindowTrace traceInWindow(
    const QImage &picture, QPoint seed, QRect window, const TraceOptions &options)
{
    WindowTrace trace;
    window &= picture.rect();
    if (!window.contains(seed))
        return trace;
    const WindowPixels pixels = windowPixels(picture, window);
    cv::Point at(seed.x() - window.left(), seed.y() - window.top());
    const cv::Vec4b colour = seedColour(pixels.bgra, at);
    const cv::Mat distance = colourDistance(pixels.bgra, colour);
    // A plain map tells its flat colours apart exactly, and its boundary lines are drawn in
    // shades between the colours on either side.
    const bool flat = plainMap(pixels.bgra, colour, 2 * options.colourTolerance);
    const int tolerance = flat ? std::min(flatTolerance, options.colourTolerance)
                               : windowTolerance(pixels.bgra, options.colourTolerance);
    if (flat && distance.at<uchar>(at) > tolerance) {
        // A point on the shading of a thin part of a map: start from its flat neighbour.
        for (const cv::Point step :
            { cv::Point(1, 0), cv::Point(-1, 0), cv::Point(0, 1), cv::Point(0, -1), cv::Point(1, 1),
                cv::Point(-1, 1), cv::Point(1, -1), cv::Point(-1, -1) }) {
            const cv::Point next = at + step;
            if (cv::Rect({}, distance.size()).contains(next)
                && distance.at<uchar>(next) <= tolerance) {
                at = next;
                break;
            }
        }
    }
    if (distance.at<uchar>(at) > tolerance)
        return trace;
    cv::Mat ink;
    cv::compare(distance, tolerance, ink, cv::CMP_GT);
    cv::Mat free;
    cv::bitwise_not(ink, free);

    // The region as the colour has it, and with the line's breaks bridged by thickening the
    // ink before the fill and growing the result back.
    // A map drawn without noise has whole lines, and thickening them would cut off its thin
    // parts (peninsulas, narrow countries): only noisy pictures have their breaks bridged.
    GrownRegion growth = grownRegion(ink, free, at, flat ? 0 : options.maxGap);
    if (flat && growth.area > 0)
        claimEdges(growth, free, otherFields(pixels.bgra, colour, tolerance), flatLineReach);
    const cv::Mat &region = growth.mask;
    const cv::Rect &plainBounds = growth.bounds;
    trace.area = growth.area;

    // A seed on a line or a printed mark has no room around it. A map drawn without noise has
    // no such marks: any pixel of its own colour is a region, however small.
    if (!flat) {
        const cv::Rect near = cv::Rect(at.x - 6, at.y - 6, 13, 13) & cv::Rect({}, region.size());
        cv::Mat core;
        cv::erode(region(near), core, cv::getStructuringElement(cv::MORPH_RECT, { 5, 5 }),
            { -1, -1 }, 1, cv::BORDER_CONSTANT, 0);
        if (!cv::countNonZero(core))
            return trace;
    }

    const QRect found(window.left() + plainBounds.x, window.top() + plainBounds.y,
        plainBounds.width, plainBounds.height);
    const bool leftOpen = plainBounds.x == 0 && window.left() > 0;
    const bool topOpen = plainBounds.y == 0 && window.top() > 0;
    const bool rightOpen =
        plainBounds.x + plainBounds.width == distance.cols && window.right() < picture.width() - 1;
    const bool bottomOpen = plainBounds.y + plainBounds.height == distance.rows
        && window.bottom() < picture.height() - 1;
    TracedSite &site = trace.site;
    site.touchesEdge = found.left() == 0 || found.top() == 0 || found.right() == picture.width() - 1
        || found.bottom() == picture.height() - 1;
    trace.bounds = found;
    if (leftOpen || topOpen || rightOpen || bottomOpen) {
        trace.result = WindowTrace::ReachesWindowEdge;
        return trace;
    }

    // Work on the region's neighbourhood only.
    const int pad = 2 * options.symbolRadius + 2;
    const cv::Rect roi = cv::Rect(plainBounds.x - pad, plainBounds.y - pad,
                             plainBounds.width + 2 * pad, plainBounds.height + 2 * pad)
        & cv::Rect({}, region.size());
    std::vector<std::vector<cv::Point>> contours;
    cv::findContours(region(roi).clone(), contours, cv::RETR_EXTERNAL, cv::CHAIN_APPROX_NONE);
    if (contours.empty())
        return trace;
    auto largest = [](const std::vector<std::vector<cv::Point>> &all) {
        return std::max_element(all.begin(), all.end(),
            [](const auto &a, const auto &b) { return a.size() < b.size(); });
    };
    // Labels, symbols and holes inside belong to the region.
    cv::Mat filled = cv::Mat::zeros(roi.size(), CV_8U);
    cv::drawContours(filled, contours, int(largest(contours) - contours.begin()), 255, cv::FILLED);
    const cv::Mat closed =
        closedOverSymbols(filled, ink(roi), options.symbolRadius, growth.gapRadius);
    contours.clear();
    cv::findContours(closed.clone(), contours, cv::RETR_EXTERNAL, cv::CHAIN_APPROX_NONE);
    if (contours.empty())
        return trace;
    const std::vector<cv::Point> &outline = *largest(contours);
    if (outline.size() < 8)
        return trace;
    const double orientation = cv::contourArea(outline, true) > 0 ? 1 : -1;
    const cv::Point shift(roi.x, roi.y);
    const LineMeasure line = measureLine(outline, orientation, distance, shift, tolerance);
    site.lineWidth = line.width;
    // On a map of few colours the region already reaches the middle of its boundary: the
    // outline runs along its pixels' outer edges, so it covers those pixels and keeps the shape
    // of regions a few pixels across.
    const QPoint origin(window.left() + roi.x, window.top() + roi.y);
    site.outline = flat
        ? pixelEdges(closed, flatOutlineTolerance, origin)
        : centreLine(outline, orientation, line, 1.0, options.symbolRadius + 2, origin);
    if (site.outline.isEmpty())
        return trace;
    site.angle = dominantAngle(site.outline);
    site.bounds = QRect(window.left() + roi.x, window.top() + roi.y, roi.width, roi.height);
    site.interior = QImage(roi.width, roi.height, QImage::Format_Grayscale8);
    for (int y = 0; y < roi.height; ++y)
        std::copy_n(filled.ptr<uchar>(y), roi.width, site.interior.scanLine(y));
    cv::Mat depth;
    cv::distanceTransform(filled, depth, cv::DIST_L2, 3);
    cv::Point deepest;
    cv::minMaxLoc(depth, nullptr, nullptr, nullptr, &deepest);
    site.inside = site.bounds.topLeft() + QPoint(deepest.x, deepest.y);
    trace.result = WindowTrace::Traced;
    return trace;
}
