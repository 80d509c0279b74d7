#include "trace/regiontracer.h"

#include <QImage>
#include <QSet>

#include <opencv2/core.hpp>
#include <opencv2/imgproc.hpp>

#include <algorithm>
#include <array>
#include <cmath>
#include <numbers>
#include <vector>

namespace {

// The window's pixels as 4-channel BGRA, sharing the picture's memory where its format allows.
struct WindowPixels
{
    QImage converted;
    cv::Mat bgra;
};

WindowPixels windowPixels(const QImage &picture, QRect window)
{
    WindowPixels pixels;
    switch (picture.format()) {
    case QImage::Format_RGB32:
    case QImage::Format_ARGB32:
    case QImage::Format_ARGB32_Premultiplied:
        pixels.bgra = cv::Mat(window.height(), window.width(), CV_8UC4,
            const_cast<uchar *>(picture.constScanLine(window.top())) + 4 * window.left(),
            size_t(picture.bytesPerLine()));
        break;
    default:
        pixels.converted = picture.copy(window).convertToFormat(QImage::Format_RGB32);
        pixels.bgra = cv::Mat(window.height(), window.width(), CV_8UC4,
            const_cast<uchar *>(pixels.converted.constBits()),
            size_t(pixels.converted.bytesPerLine()));
    }
    return pixels;
}

// The colour around the seed: the median of its 3 × 3 neighbourhood, channel by channel.
cv::Vec4b seedColour(const cv::Mat &bgra, cv::Point seed)
{
    std::array<std::vector<uchar>, 3> channels;
    for (int y = std::max(0, seed.y - 1); y <= std::min(bgra.rows - 1, seed.y + 1); ++y)
        for (int x = std::max(0, seed.x - 1); x <= std::min(bgra.cols - 1, seed.x + 1); ++x)
            for (int c = 0; c < 3; ++c)
                channels[c].push_back(bgra.at<cv::Vec4b>(y, x)[c]);
    cv::Vec4b colour(0, 0, 0, 255);
    for (int c = 0; c < 3; ++c) {
        auto middle = channels[c].begin() + channels[c].size() / 2;
        std::nth_element(channels[c].begin(), middle, channels[c].end());
        colour[c] = *middle;
    }
    return colour;
}

// Largest difference in any channel from colour, per pixel.
cv::Mat colourDistance(const cv::Mat &bgra, cv::Vec4b colour)
{
    cv::Mat distance(bgra.size(), CV_8U);
    for (int y = 0; y < bgra.rows; ++y) {
        const uchar *in = bgra.ptr<uchar>(y);
        uchar *out = distance.ptr<uchar>(y);
        for (int x = 0; x < bgra.cols; ++x) {
            const int b = std::abs(in[4 * x] - colour[0]);
            const int g = std::abs(in[4 * x + 1] - colour[1]);
            const int r = std::abs(in[4 * x + 2] - colour[2]);
            out[x] = uchar(std::max({ b, g, r }));
        }
    }
    return distance;
}

// A picture of few colours (a drawn map, saved without loss) tells slightly different flat
// colours apart; a scan or a JPEG needs the full tolerance for its grain and noise.
int windowTolerance(const cv::Mat &bgra, int largest)
{
    QSet<quint32> colours;
    for (int y = 0; y < bgra.rows; y += 3) {
        const quint32 *row = bgra.ptr<quint32>(y);
        for (int x = 0; x < bgra.cols; x += 3) {
            colours.insert(row[x] & 0xffffff);
            if (colours.size() > 64)
                return largest;
        }
    }
    return std::min(12, largest);
}

cv::Mat disk(int radius)
{
    return cv::getStructuringElement(cv::MORPH_ELLIPSE, { 2 * radius + 1, 2 * radius + 1 });
}

// The 4-connected part of free (255 where allowed) around seed, as a 255 mask.
cv::Mat fillFrom(const cv::Mat &free, cv::Point seed, cv::Rect *bounds, qint64 *area)
{
    cv::Mat work = free.clone();
    *area = cv::floodFill(work, seed, 128, bounds, 0, 0, 4 | cv::FLOODFILL_FIXED_RANGE);
    cv::Mat region;
    cv::compare(work, 128, region, cv::CMP_EQ);
    return region;
}

// Closing and opening with a disk of any radius at the cost of two distance transforms.
cv::Mat grown(const cv::Mat &mask, double radius)
{
    cv::Mat outside, distance, result;
    cv::bitwise_not(mask, outside);
    cv::distanceTransform(outside, distance, cv::DIST_L2, cv::DIST_MASK_PRECISE);
    cv::compare(distance, radius, result, cv::CMP_LE);
    return result;
}

cv::Mat shrunk(const cv::Mat &mask, double radius)
{
    cv::Mat distance, result;
    cv::distanceTransform(mask, distance, cv::DIST_L2, cv::DIST_MASK_PRECISE);
    cv::compare(distance, radius, result, cv::CMP_GT);
    return result;
}

bool touchesBorder(const cv::Rect &r, cv::Size size)
{
    return r.x == 0 || r.y == 0 || r.x + r.width == size.width || r.y + r.height == size.height;
}

struct Vec
{
    double x = 0, y = 0;
};
Vec operator+(Vec a, Vec b)
{
    return { a.x + b.x, a.y + b.y };
}
Vec operator-(Vec a, Vec b)
{
    return { a.x - b.x, a.y - b.y };
}
Vec operator*(double s, Vec a)
{
    return { s * a.x, s * a.y };
}
double cross(Vec a, Vec b)
{
    return a.x * b.y - a.y * b.x;
}
double dot(Vec a, Vec b)
{
    return a.x * b.x + a.y * b.y;
}
double length(Vec a)
{
    return std::hypot(a.x, a.y);
}
Vec unit(Vec a)
{
    const double l = length(a);
    return l > 0 ? Vec { a.x / l, a.y / l } : Vec { 1, 0 };
}

// Pixel centre of a contour point, in continuous picture-window coordinates.
Vec centre(cv::Point p)
{
    return { p.x + 0.5, p.y + 0.5 };
}

double distanceToLine(Vec p, Vec a, Vec b)
{
    const Vec d = b - a;
    const double l = length(d);
    return l > 0 ? std::abs(cross(d, p - a)) / l : length(p - a);
}

// Douglas–Peucker over a closed contour; gives the indices kept, in order.
std::vector<int> simplify(const std::vector<cv::Point> &contour, double tolerance)
{
    const int n = int(contour.size());
    // Start at the point farthest from the centroid, which is a corner of any polygon.
    Vec mean;
    for (const cv::Point &p : contour)
        mean = mean + centre(p);
    mean = (1.0 / n) * mean;
    int first = 0;
    double farthest = -1;
    for (int i = 0; i < n; ++i) {
        const double d = length(centre(contour[i]) - mean);
        if (d > farthest)
            farthest = d, first = i;
    }
    int opposite = first;
    farthest = -1;
    for (int i = 0; i < n; ++i) {
        const double d = length(centre(contour[i]) - centre(contour[first]));
        if (d > farthest)
            farthest = d, opposite = i;
    }
    auto at = [&](int i) { return centre(contour[i % n]); };
    const int last = opposite > first ? opposite : opposite + n;
    std::vector<char> keep(size_t(2 * n), 0);
    std::vector<std::pair<int, int>> spans { { first, last }, { last, first + n } };
    keep[size_t(first)] = keep[size_t(last)] = 1;
    while (!spans.empty()) {
        const auto [a, b] = spans.back();
        spans.pop_back();
        int worst = -1;
        double worstDistance = tolerance;
        for (int i = a + 1; i < b; ++i) {
            const double d = distanceToLine(at(i), at(a), at(b));
            if (d > worstDistance)
                worstDistance = d, worst = i;
        }
        if (worst >= 0) {
            keep[size_t(worst)] = 1;
            spans.push_back({ a, worst });
            spans.push_back({ worst, b });
        }
    }
    std::vector<int> kept;
    for (int i = first; i < first + n; ++i)
        if (keep[size_t(i)])
            kept.push_back(i % n);
    return kept;
}

struct Line
{
    Vec point, direction;
};

std::optional<Vec> intersect(const Line &a, const Line &b)
{
    const double denominator = cross(a.direction, b.direction);
    if (std::abs(denominator) < std::sin(8 * std::numbers::pi / 180))
        return std::nullopt;
    const double t = cross(b.point - a.point, b.direction) / denominator;
    return a.point + t * a.direction;
}

// Where along the outward normal of each contour point the boundary line's centre lies, and how
// wide the line is, from the colour distance profile beyond the region.
struct LineMeasure
{
    double offset = 0.5;
    double width = 0;
};

LineMeasure measureLine(const std::vector<cv::Point> &contour, double orientation,
    const cv::Mat &distance, cv::Point shift, int tolerance)
{
    const int n = int(contour.size());
    const int samples = std::min(n, 96);
    std::vector<double> offsets, widths;
    constexpr int reach = 24;
    for (int s = 0; s < samples; ++s) {
        const int i = int(qint64(s) * n / samples);
        const Vec tangent = unit(centre(contour[(i + 3) % n]) - centre(contour[(i - 3 + n) % n]));
        const Vec normal = orientation * Vec { tangent.y, -tangent.x };
        const Vec start = centre(contour[i] + shift);
        std::array<double, reach + 2> profile {};
        bool inside = true;
        for (int t = 1; t <= reach + 1 && inside; ++t) {
            const Vec p = start + double(t) * normal;
            const int x = int(std::floor(p.x)), y = int(std::floor(p.y));
            if (x < 0 || y < 0 || x >= distance.cols || y >= distance.rows)
                inside = false;
            else
                profile[size_t(t)] = distance.at<uchar>(y, x);
        }
        if (!inside)
            continue;
        int firstInk = 0;
        for (int t = 1; t <= reach / 2 && !firstInk; ++t)
            if (profile[size_t(t)] > tolerance)
                firstInk = t;
        if (!firstInk)
            continue;
        int peakAt = firstInk;
        for (int t = firstInk; t <= std::min(reach, firstInk + 8); ++t)
            if (profile[size_t(t)] > profile[size_t(peakAt)])
                peakAt = t;
        const double peak = profile[size_t(peakAt)];
        auto cover = [&](int t) { return std::min(1.0, profile[size_t(t)] / peak); };
        int left = peakAt, right = peakAt;
        while (left > 1 && cover(left - 1) >= 0.5)
            --left;
        while (right < reach && cover(right + 1) >= 0.5)
            ++right;
        if (right - left >= 12 || right == reach) {
            // A change of colour rather than a line: the boundary is where it changes.
            offsets.push_back(left - 0.5);
            widths.push_back(0);
            continue;
        }
        double sum = 0, moment = 0;
        for (int t = std::max(1, left - 1); t <= right + 1; ++t) {
            sum += cover(t);
            moment += t * cover(t);
        }
        offsets.push_back(moment / sum);
        widths.push_back(sum);
    }
    LineMeasure measure;
    if (offsets.empty())
        return measure;
    auto median = [](std::vector<double> &values) {
        auto middle = values.begin() + values.size() / 2;
        std::nth_element(values.begin(), middle, values.end());
        return *middle;
    };
    measure.offset = median(offsets);
    measure.width = median(widths);
    return measure;
}

struct Edge
{
    Line line;
    int count = 0; // contour points along it
    bool fitted = false; // a line fitted to its points away from its ends
};

// The straight line through the contour points from index a to b (wrapping), away from the
// ends, where trim points at each end may be rounded by the tracing.
Edge fitEdge(const std::vector<cv::Point> &contour, int a, int b, int trim)
{
    const int n = int(contour.size());
    if (b <= a)
        b += n;
    Edge edge;
    edge.count = b - a + 1;
    Vec direction = unit(centre(contour[b % n]) - centre(contour[a]));
    edge.line = { 0.5 * (centre(contour[a]) + centre(contour[b % n])), direction };
    const int cut = edge.count >= 2 * trim + 6 ? trim : edge.count / 4;
    const int used = edge.count - 2 * cut;
    if (used < 6)
        return edge;
    // Principal axis of the points.
    Vec sum;
    for (int i = a + cut; i <= b - cut; ++i)
        sum = sum + centre(contour[i % n]);
    const Vec mean = (1.0 / used) * sum;
    double xx = 0, xy = 0, yy = 0;
    for (int i = a + cut; i <= b - cut; ++i) {
        const Vec d = centre(contour[i % n]) - mean;
        xx += d.x * d.x, xy += d.x * d.y, yy += d.y * d.y;
    }
    const double angle = 0.5 * std::atan2(2 * xy, xx - yy);
    const Vec axis { std::cos(angle), std::sin(angle) };
    edge.line = { mean, dot(axis, direction) < 0 ? -1.0 * axis : axis };
    edge.fitted = cut == trim;
    return edge;
}

// The polygon along the centre of the boundary line: the contour simplified, each edge fitted
// by a straight line moved out to the line's centre, corners where neighbouring edges meet.
QPolygon centreLine(const std::vector<cv::Point> &contour, double orientation,
    const LineMeasure &line, int trim, QPoint origin)
{
    // Where colours meet without a line, the outline follows the change of colour closely.
    const bool colourChange = line.width < 0.5;
    const double tolerance = colourChange ? 1.0 : std::max(2.0, line.width);
    std::vector<int> kept = simplify(contour, tolerance);
    std::vector<Edge> edges;
    auto fitAll = [&] {
        edges.clear();
        for (size_t e = 0; e < kept.size(); ++e)
            edges.push_back(fitEdge(contour, kept[e], kept[(e + 1) % kept.size()], trim));
    };
    fitAll();
    // A short edge between two long straight ones is a corner rounded by the tracing, and a
    // corner between two long edges in line is a bump where a break was bridged.
    const double straightOn = std::cos(3 * std::numbers::pi / 180);
    const double turned = std::sin(8 * std::numbers::pi / 180);
    for (bool changed = !colourChange; changed && kept.size() > 3;) {
        changed = false;
        const size_t m = kept.size();
        for (size_t e = 0; e < m && !changed; ++e) {
            const Edge &before = edges[(e + m - 1) % m], &here = edges[e],
                       &after = edges[(e + 1) % m];
            if (!here.fitted && before.fitted && after.fitted
                && std::abs(cross(before.line.direction, after.line.direction)) > turned) {
                kept.erase(kept.begin() + long((e + 1) % m));
                changed = true;
            } else if (!here.fitted && before.fitted && after.fitted && m > 4
                && dot(before.line.direction, after.line.direction) > straightOn) {
                const size_t a = e, b = (e + 1) % m;
                kept.erase(kept.begin() + long(std::max(a, b)));
                kept.erase(kept.begin() + long(std::min(a, b)));
                changed = true;
            } else if (before.fitted && here.fitted
                && dot(before.line.direction, here.line.direction) > straightOn) {
                kept.erase(kept.begin() + long(e));
                changed = true;
            }
        }
        if (changed)
            fitAll();
    }
    const int m = int(kept.size());
    if (m < 3)
        return {};
    std::vector<Line> lines(static_cast<size_t>(m));
    for (int e = 0; e < m; ++e) {
        Line l = edges[size_t(e)].line;
        l.point = l.point + line.offset * (orientation * Vec { l.direction.y, -l.direction.x });
        lines[size_t(e)] = l;
    }
    std::vector<Vec> corners;
    const double reach = 4 * tolerance + 2 * line.offset + 2 * trim;
    for (int e = 0; e < m; ++e) {
        const Line &before = lines[size_t((e - 1 + m) % m)];
        const Line &after = lines[size_t(e)];
        const Vec bisector = unit(orientation * Vec { before.direction.y, -before.direction.x }
            + orientation * Vec { after.direction.y, -after.direction.x });
        const Vec fallback = centre(contour[size_t(kept[size_t(e)])]) + line.offset * bisector;
        const auto meet = intersect(before, after);
        corners.push_back(meet && length(*meet - fallback) <= reach ? *meet : fallback);
    }
    QPolygon polygon;
    for (const Vec &c : corners) {
        const QPoint p(int(std::lround(c.x)) + origin.x(), int(std::lround(c.y)) + origin.y());
        if (polygon.isEmpty() || polygon.last() != p)
            polygon.append(p);
    }
    if (polygon.size() > 1 && polygon.first() == polygon.last())
        polygon.removeLast();
    return polygon.size() >= 3 ? polygon : QPolygon();
}

// Length-weighted peak of the outline's edge directions, folded into ±45°.
double dominantAngle(const QPolygon &outline)
{
    std::array<double, 90> histogram {};
    for (int i = 0; i < outline.size(); ++i) {
        const QPoint d = outline[(i + 1) % outline.size()] - outline[i];
        double angle = std::atan2(d.y(), d.x()) * 180 / std::numbers::pi;
        angle = std::fmod(angle + 45 + 360, 90.0) - 45;
        histogram[size_t(std::clamp(int(std::floor(angle + 45)), 0, 89))] +=
            std::hypot(d.x(), d.y());
    }
    int best = 0;
    double bestWeight = -1;
    for (int b = 0; b < 90; ++b) {
        double w = 0;
        for (int k = -1; k <= 1; ++k)
            w += histogram[size_t((b + k + 90) % 90)];
        if (w > bestWeight)
            bestWeight = w, best = b;
    }
    // Weighted mean of the exact angles near the peak.
    double sum = 0, weight = 0;
    for (int i = 0; i < outline.size(); ++i) {
        const QPoint d = outline[(i + 1) % outline.size()] - outline[i];
        double angle = std::atan2(d.y(), d.x()) * 180 / std::numbers::pi;
        angle = std::fmod(angle + 45 + 360, 90.0) - 45;
        double gap = angle - (best - 45 + 0.5);
        if (gap > 45)
            angle -= 90, gap -= 90;
        if (gap < -45)
            angle += 90, gap += 90;
        if (std::abs(gap) <= 2) {
            const double l = std::hypot(d.x(), d.y());
            sum += angle * l;
            weight += l;
        }
    }
    return weight > 0 ? sum / weight : 0;
}

} // namespace

WindowTrace traceInWindow(
    const QImage &picture, QPoint seed, QRect window, const TraceOptions &options)
{
    WindowTrace trace;
    window &= picture.rect();
    if (!window.contains(seed))
        return trace;
    const WindowPixels pixels = windowPixels(picture, window);
    const cv::Point at(seed.x() - window.left(), seed.y() - window.top());
    const cv::Mat distance = colourDistance(pixels.bgra, seedColour(pixels.bgra, at));
    const int tolerance = windowTolerance(pixels.bgra, options.colourTolerance);
    if (distance.at<uchar>(at) > tolerance)
        return trace;
    cv::Mat ink;
    cv::compare(distance, tolerance, ink, cv::CMP_GT);
    cv::Mat free;
    cv::bitwise_not(ink, free);

    // The region as the colour has it, and with the line's breaks bridged by thickening the
    // ink before the fill and growing the result back.
    cv::Rect plainBounds;
    qint64 plainArea = 0;
    cv::Mat region = fillFrom(free, at, &plainBounds, &plainArea);
    // A narrow site (a small country on a map) vanishes under the widest thickening: only
    // narrower breaks are bridged there.
    int gapRadius = std::max(0, options.maxGap / 2);
    cv::Mat thick;
    for (; gapRadius > 0; gapRadius = gapRadius > 2 ? gapRadius / 2 : gapRadius - 1) {
        cv::dilate(ink, thick, disk(gapRadius));
        if (!thick.at<uchar>(at))
            break;
    }
    if (gapRadius > 0) {
        {
            // The region's core and every other core grow back together, a pixel a step,
            // so the growth stops in the middle of a break instead of running through it.
            cv::Mat open;
            cv::bitwise_not(thick, open);
            cv::Rect coreBounds;
            qint64 coreArea = 0;
            cv::Mat core = fillFrom(open, at, &coreBounds, &coreArea);
            const bool plainOpen = touchesBorder(plainBounds, distance.size());
            if (!(plainOpen && touchesBorder(coreBounds, distance.size()))) {
                // Only the core's surroundings change; they include the neighbours' cores
                // beyond the line, which compete for the breaks.
                const int margin = 3 * gapRadius + 8;
                const cv::Rect near =
                    cv::Rect(coreBounds.x - margin, coreBounds.y - margin,
                        coreBounds.width + 2 * margin, coreBounds.height + 2 * margin)
                    & cv::Rect({}, distance.size());
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
                const bool plainLeaks = plainOpen && !touchesBorder(grownBounds, distance.size());
                if (plainLeaks || plainArea > 1.1 * double(bridgedArea)) {
                    region = cv::Mat::zeros(distance.size(), CV_8U);
                    bridged.copyTo(region(near));
                    plainBounds = grownBounds;
                    plainArea = bridgedArea;
                }
            }
        }
    }
    trace.area = plainArea;

    // A seed on a line or a printed mark has no room around it.
    {
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
    // Symbols drawn over the boundary (trees, marks) leave dents: a wide closing takes them
    // back in, but only over the symbol's own pixels, so concave corners keep their shape.
    // Margins keep the picture's edge from counting as part of the region.
    const int reach = 4 * options.symbolRadius;
    const int border = reach + gapRadius + 4;
    cv::Mat closed;
    cv::copyMakeBorder(filled, closed, border, border, border, border, cv::BORDER_CONSTANT, 0);
    if (options.symbolRadius > 0) {
        // Symbols are ink thicker than a line but no larger than options.symbolRadius: the
        // sea beyond a coast or a neighbouring field of colour is not one.
        cv::Mat depthOfInk, thickInk, parts, stats, centres;
        cv::distanceTransform(ink(roi), depthOfInk, cv::DIST_L2, cv::DIST_MASK_3);
        cv::compare(depthOfInk, 3, thickInk, cv::CMP_GT);
        const int count = cv::connectedComponentsWithStats(thickInk, parts, stats, centres, 8);
        std::vector<uchar> small(static_cast<size_t>(count), 0);
        for (int c = 1; c < count; ++c)
            small[size_t(c)] = stats.at<int>(c, cv::CC_STAT_WIDTH) <= 2 * options.symbolRadius
                && stats.at<int>(c, cv::CC_STAT_HEIGHT) <= 2 * options.symbolRadius;
        cv::Mat symbols = cv::Mat::zeros(roi.size(), CV_8U);
        for (int y = 0; y < roi.height; ++y) {
            const int *part = parts.ptr<int>(y);
            uchar *out = symbols.ptr<uchar>(y);
            for (int x = 0; x < roi.width; ++x)
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
    site.outline = centreLine(outline, orientation, line, options.symbolRadius + 2,
        QPoint(window.left() + roi.x, window.top() + roi.y));
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
