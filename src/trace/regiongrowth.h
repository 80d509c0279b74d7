#pragma once

#include "trace/tracemasks.h"

#include <QtGlobal>

#include <opencv2/core.hpp>

// Growth of the seed's region within the window's masks.
namespace RegionTrace {

struct GrownRegion
{
    cv::Mat mask; // 255 inside, the window's size
    cv::Rect bounds;
    qint64 area = 0;
    int gapRadius = 0; // half the widest break in the line bridged around it, 0 for none
};

// The region of free (not ink) around seed, with the boundary line's breaks up to maxGap wide
// bridged where that keeps the region from running into its neighbours.
GrownRegion grownRegion(const cv::Mat &ink, const cv::Mat &free, cv::Point seed, int maxGap);

// The region with the pixels between it and its neighbours of the same colour that lie nearer
// to it (the near half of the line between them), and every such pixel up to a field of another
// colour (the shading of a coast belongs to the land), reaching at most steps pixels; pieces of
// its colour joined to it by shading of land along a field (a thin neck) are taken in. Bounds
// and area are updated.
void claimEdges(GrownRegion &region, const cv::Mat &free, const Fields &fields, int steps);

// The filled region with the dents that symbols drawn over its boundary leave taken back in.
cv::Mat closedOverSymbols(
    const cv::Mat &filled, const cv::Mat &inkNear, int symbolRadius, int gapRadius);

} // namespace RegionTrace
