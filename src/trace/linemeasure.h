#pragma once

#include <opencv2/core.hpp>

#include <vector>

namespace RegionTrace {

// Where along the outward normal of each contour point the boundary line's centre lies, and how
// wide the line is, from the colour distance profile beyond the region.
struct LineMeasure
{
    double offset = 0.5;
    double width = 0;
};

LineMeasure measureLine(const std::vector<cv::Point> &contour, double orientation,
    const cv::Mat &distance, cv::Point shift, int tolerance);

} // namespace RegionTrace
