#include "trace/regiongrowth.h"

#include "trace/tracemasks.h"

#include <opencv2/imgproc.hpp>

#include <algorithm>
#include <vector>

namespace RegionTrace {

GrownRegion grownRegion(const cv::Mat &ink, const cv::Mat &free, cv::Point at, int maxGap)
{
    cv::Rect plainBounds;
    qint64 plainArea = 0;
    cv::Mat region = fillFrom(free, at, &plainBounds, &plainArea);
    // A narrow site (a small country on a map) vanishes under the widest thickening: only
    // narrower breaks are bridged there.
    int gapRadius = std::max(0, maxGap / 2);
    cv::Mat thick;
    for (; gapRadius > 0; gapRadius = gapRadius > 2 ? gapRadius / 2 : gapRadius - 1) {
        cv::dilate(ink, thick, disk(gapRadius));
        if (!thick.at<uchar>(at))
            break;
    }
    if (gapRadius > 0) {
        // The region's core and every other core grow back together, a pixel a step,
        // so the growth stops in the middle of a break instead of running through it.
        cv::Mat open;
        cv::bitwise_not(thick, open);
        cv::Rect coreBounds;
        qint64 coreArea = 0;
        cv::Mat core = fillFrom(open, at, &coreBounds, &coreArea);
        const bool plainOpen = touchesBorder(plainBounds, ink.size());
        if (!(plainOpen && touchesBorder(coreBounds, ink.size()))) {
            // Only the core's surroundings change; they include the neighbours' cores
            // beyond the line, which compete for the breaks.
            const int margin = 3 * gapRadius + 8;
            const cv::Rect near = cv::Rect(coreBounds.x - margin, coreBounds.y - margin,
                                      coreBounds.width + 2 * margin, coreBounds.height + 2 * margin)
                & cv::Rect({}, ink.size());
            cv::Mat bridged = core(near).clone();
            cv::Mat others = open(near) & ~bridged;
            const cv::Mat freeNear = free(near);
            const cv::Mat square = cv::getStructuringElement(cv::MORPH_RECT, { 3, 3 });
            const cv::Mat cross = cv::getStructuringElement(cv::MORPH_CROSS, { 3, 3 });
            cv::Mat grownOwn, grownOthers;
            for (int step = 0; step <= gapRadius; ++step) {
                const cv::Mat &shape = step % 2 ? square : cross;
                cv::dilate(bridged, grownOwn, shape);
                cv::dilate(others, grownOthers, shape);
                grownOwn &= freeNear;
                grownOthers &= freeNear;
                // A pixel both reach at once lies on the middle line: it goes to neither.
                const cv::Mat contested = grownOwn & grownOthers & ~bridged & ~others;
                bridged = grownOwn & ~others & ~contested;
                others = grownOthers & ~bridged & ~contested;
            }
            const qint64 bridgedArea = cv::countNonZero(bridged);
            cv::Rect grownBounds = cv::boundingRect(bridged);
            grownBounds.x += near.x;
            grownBounds.y += near.y;
            const bool plainLeaks = plainOpen && !touchesBorder(grownBounds, ink.size());
            if (plainLeaks || plainArea > 1.1 * double(bridgedArea)) {
                region = cv::Mat::zeros(ink.size(), CV_8U);
                bridged.copyTo(region(near));
                plainBounds = grownBounds;
                plainArea = bridgedArea;
            }
        }
    }
    return { region, plainBounds, plainArea, gapRadius };
}

namespace {

    // The parts of free that own touches or covers, with own.
    cv::Mat withTouchedParts(const cv::Mat &own, const cv::Mat &free)
    {
        cv::Mat parts;
        const int count = cv::connectedComponents(free, parts, 4, CV_32S);
        std::vector<uchar> touched(static_cast<size_t>(count), 0);
        for (int y = 0; y < own.rows; ++y) {
            const uchar *in = own.ptr<uchar>(y);
            const int *part = parts.ptr<int>(y);
            for (int x = 0; x < own.cols; ++x)
                if (in[x] && part[x])
                    touched[size_t(part[x])] = 1;
        }
        cv::Mat result = own.clone();
        for (int y = 0; y < own.rows; ++y) {
            const int *part = parts.ptr<int>(y);
            uchar *out = result.ptr<uchar>(y);
            for (int x = 0; x < own.cols; ++x)
                if (touched[size_t(part[x])])
                    out[x] = 255;
        }
        return result;
    }

} // namespace

void claimEdges(GrownRegion &region, const cv::Mat &free, const Fields &all, int steps)
{
    const cv::Mat &fields = all.fields;
    const cv::Mat square = cv::getStructuringElement(cv::MORPH_RECT, { 3, 3 });
    const cv::Mat cross = cv::getStructuringElement(cv::MORPH_CROSS, { 3, 3 });
    for (int round = 0; round < 8; ++round) {
        const int margin = 2 * steps + 2;
        const cv::Rect near =
            cv::Rect(region.bounds.x - margin, region.bounds.y - margin,
                region.bounds.width + 2 * margin, region.bounds.height + 2 * margin)
            & cv::Rect({}, free.size());
        cv::Mat own = withTouchedParts(region.mask(near), free(near));
        // Neighbours beyond the line, and what lies between: neither free nor another field.
        cv::Mat others = free(near) & ~own;
        const cv::Mat between = ~free(near) & ~fields(near);
        cv::Mat grownOwn, grownOthers;
        for (int step = 0; step < steps; ++step) {
            const cv::Mat &shape = step % 2 ? square : cross;
            cv::dilate(own, grownOwn, shape);
            cv::dilate(others, grownOthers, shape);
            const cv::Mat reachedOwn = grownOwn & between & ~own & ~others;
            const cv::Mat reachedOthers = grownOthers & between & ~own & ~others;
            // A pixel both reach at once lies on the middle line: it goes to neither.
            own |= reachedOwn & ~reachedOthers;
            others |= reachedOthers & ~reachedOwn;
        }
        // A piece of the colour that meets the region only where both run along another
        // field (the shading of a thin neck of land, not a line between neighbours) is part
        // of it.
        cv::Mat zones;
        const int count = cv::connectedComponents(others, zones, 8, CV_32S);
        std::vector<uchar> touched(static_cast<size_t>(count), 0), lined(touched);
        cv::Mat coast, ownNear, othersNear;
        // Along the open field, not beside a bright line that looks like it.
        cv::erode(fields(near), coast, square, { -1, -1 }, 1, cv::BORDER_CONSTANT, 0);
        cv::dilate(coast, coast, disk(3));
        cv::dilate(own, ownNear, square);
        cv::dilate(others, othersNear, square);
        const cv::Mat contact = ownNear & othersNear & ~fields(near);
        coast &= all.nearer(near);
        for (int y = 0; y < contact.rows; ++y) {
            const uchar *c = contact.ptr<uchar>(y);
            for (int x = 0; x < contact.cols; ++x) {
                if (!c[x])
                    continue;
                const bool coastal = coast.at<uchar>(y, x);
                for (int dy = -1; dy <= 1; ++dy)
                    for (int dx = -1; dx <= 1; ++dx) {
                        const int yy = y + dy, xx = x + dx;
                        if (yy < 0 || xx < 0 || yy >= zones.rows || xx >= zones.cols)
                            continue;
                        const int zone = zones.at<int>(yy, xx);
                        if (!zone)
                            continue;
                        touched[size_t(zone)] = 1;
                        if (!coastal)
                            lined[size_t(zone)] = 1;
                    }
            }
        }
        bool joined = false;
        for (int y = 0; y < zones.rows; ++y) {
            const int *zone = zones.ptr<int>(y);
            uchar *out = own.ptr<uchar>(y);
            for (int x = 0; x < zones.cols; ++x)
                if (zone[x] && touched[size_t(zone[x])] && !lined[size_t(zone[x])])
                    out[x] = 255, joined = true;
        }
        region.mask(near) |= own;
        region.bounds = cv::boundingRect(region.mask);
        if (!joined)
            break;
    }
    region.area = cv::countNonZero(region.mask);
}

cv::Mat closedOverSymbols(
    const cv::Mat &filled, const cv::Mat &inkNear, int symbolRadius, int gapRadius)
{
    // Symbols drawn over the boundary (trees, marks) leave dents: a wide closing takes them
    // back in, but only over the symbol's own pixels, so concave corners keep their shape.
    // Margins keep the picture's edge from counting as part of the region.
    const int reach = 4 * symbolRadius;
    const int border = reach + gapRadius + 4;
    cv::Mat closed;
    cv::copyMakeBorder(filled, closed, border, border, border, border, cv::BORDER_CONSTANT, 0);
    if (symbolRadius > 0) {
        // Symbols are ink thicker than a line but no larger than symbolRadius: the
        // sea beyond a coast or a neighbouring field of colour is not one.
        cv::Mat depthOfInk, thickInk, parts, stats, centres;
        cv::distanceTransform(inkNear, depthOfInk, cv::DIST_L2, cv::DIST_MASK_3);
        cv::compare(depthOfInk, 3, thickInk, cv::CMP_GT);
        const int count = cv::connectedComponentsWithStats(thickInk, parts, stats, centres, 8);
        std::vector<uchar> small(static_cast<size_t>(count), 0);
        for (int c = 1; c < count; ++c)
            small[size_t(c)] = stats.at<int>(c, cv::CC_STAT_WIDTH) <= 2 * symbolRadius
                && stats.at<int>(c, cv::CC_STAT_HEIGHT) <= 2 * symbolRadius;
        cv::Mat symbols = cv::Mat::zeros(filled.size(), CV_8U);
        for (int y = 0; y < filled.rows; ++y) {
            const int *part = parts.ptr<int>(y);
            uchar *out = symbols.ptr<uchar>(y);
            for (int x = 0; x < filled.cols; ++x)
                out[x] = small[size_t(part[x])] ? 255 : 0;
        }
        cv::Mat ring;
        cv::dilate(filled, ring, disk(5));
        ring &= ~filled;
        if (cv::countNonZero(symbols & ring)) {
            cv::Mat framed;
            cv::copyMakeBorder(
                symbols, framed, border, border, border, border, cv::BORDER_CONSTANT, 0);
            cv::dilate(framed, framed, disk(5));
            const cv::Mat wide = shrunk(grown(closed, reach), reach);
            closed |= wide & framed;
        }
    }
    closed = closed(cv::Rect(border, border, filled.cols, filled.rows)).clone();
    return closed;
}

} // namespace RegionTrace
