#include "trace/outlinefit.h"

#include "trace/tracegeometry.h"

#include <algorithm>
#include <array>
#include <cmath>
#include <numbers>

namespace RegionTrace {

namespace {

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

} // namespace

QPolygon centreLine(const std::vector<cv::Point> &contour, double orientation,
    const LineMeasure &line, double colourTolerance, int trim, QPoint origin)
{
    // Where colours meet without a line, the outline follows the change of colour closely.
    const bool colourChange = line.width < 0.5;
    const double tolerance = colourChange ? colourTolerance : std::max(2.0, line.width);
    std::vector<int> kept = simplify(contour, tolerance);
    std::vector<Edge> edges;
    auto fitAll = [&] {
        edges.clear();
        for (size_t e = 0; e < kept.size(); ++e)
            edges.push_back(fitEdge(contour, kept[e], kept[(e + 1) % kept.size()], trim));
    };
    fitAll();
    // A short edge between two long straight ones is a corner rounded by the tracing (or cut by
    // the shading of a coast), and a
    // corner between two long edges in line is a bump where a break was bridged.
    const double straightOn = std::cos(3 * std::numbers::pi / 180);
    const double turned = std::sin(8 * std::numbers::pi / 180);
    for (bool changed = true; changed && kept.size() > 3;) {
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
    // Along a change of colour the edges are short and often nearly in line: where two meet
    // far from the contour, the corner stays on it.
    const double reach = colourChange ? 1.5 : 4 * tolerance + 2 * line.offset + 2 * trim;
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

QPolygon pixelEdges(const cv::Mat &mask, double tolerance, QPoint origin)
{
    cv::Point first(-1, -1);
    for (int y = 0; y < mask.rows && first.x < 0; ++y)
        for (int x = 0; x < mask.cols; ++x)
            if (mask.at<uchar>(y, x)) {
                first = { x, y };
                break;
            }
    if (first.x < 0)
        return {};
    auto inside = [&](int x, int y) {
        return x >= 0 && y >= 0 && x < mask.cols && y < mask.rows && mask.at<uchar>(y, x);
    };
    // Walk the corners of the pixels with the region on the right, keeping diagonal neighbours
    // in as the contour finder does; corners are kept where the walk turns.
    std::vector<cv::Point> corners;
    const cv::Point start = first;
    cv::Point at = start, direction(1, 0);
    do {
        at += direction;
        const cv::Point right(-direction.y, direction.x), left(direction.y, -direction.x);
        // The pixel ahead on either side of the walk: its top left corner is at, moved half a
        // pixel ahead and to that side, rounded down.
        auto pixelAhead = [&](cv::Point side) {
            return inside(
                at.x + std::min(0, direction.x + side.x), at.y + std::min(0, direction.y + side.y));
        };
        cv::Point next = right;
        if (pixelAhead(left))
            next = left;
        else if (pixelAhead(right))
            next = direction;
        if (next != direction)
            corners.push_back(at);
        direction = next;
    } while (at != start || direction != cv::Point(1, 0));
    std::vector<cv::Point> outline;
    if (corners.size() > 4 && tolerance > 0) {
        for (const int i : simplify(corners, tolerance))
            outline.push_back(corners[size_t(i)]);
    } else {
        outline = corners;
    }
    QPolygon polygon;
    for (const cv::Point &p : outline)
        polygon.append(QPoint(p.x, p.y) + origin);
    return polygon.size() >= 3 ? polygon : QPolygon();
}

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

} // namespace RegionTrace
