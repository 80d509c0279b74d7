#include "trace/detectsites.h"

#include "trace/regiontracer.h"
#include "trace/tracemasks.h"

#include <QHash>
#include <QImage>
#include <QSet>

#include <opencv2/core.hpp>
#include <opencv2/imgproc.hpp>

#include <algorithm>
#include <atomic>
#include <cmath>
#include <thread>

namespace {

// Largest difference in any channel between two BGRA pixels.
inline int difference(const uchar *a, const uchar *b)
{
    return std::max({ std::abs(a[0] - b[0]), std::abs(a[1] - b[1]), std::abs(a[2] - b[2]) });
}

// Marks, at 1/scale of the picture's size, every cell holding a pixel whose colour differs
// from the pixel two steps beside, above or below it: lines, marks and changes of colour.
// Rows are read in strips, so only formats other than 32-bit are converted, a strip at a time.
void markBoundaries(
    const QImage &picture, int scale, int tolerance, cv::Mat &cells, int firstRow, int endRow)
{
    const int width = picture.width(), height = picture.height();
    const bool direct = picture.format() == QImage::Format_RGB32
        || picture.format() == QImage::Format_ARGB32
        || picture.format() == QImage::Format_ARGB32_Premultiplied;
    constexpr int strip = 128;
    QImage converted;
    int convertedFrom = 0;
    // Keeps rows y - 2 to y + 2 converted at once, so their pointers stay valid together.
    auto keep = [&](int y) {
        const int low = std::max(0, y - 2), high = std::min(height - 1, y + 2);
        if (direct
            || (!converted.isNull() && low >= convertedFrom
                && high < convertedFrom + converted.height()))
            return;
        convertedFrom = low;
        converted = picture.copy(0, low, width, std::min(strip, height - low))
                        .convertToFormat(QImage::Format_RGB32);
    };
    auto row = [&](int y) -> const uchar * {
        return direct ? picture.constScanLine(y) : converted.constScanLine(y - convertedFrom);
    };
    for (int y = firstRow; y < endRow; ++y) {
        keep(y);
        const uchar *here = row(y);
        const uchar *above[2] = { y >= 1 ? row(y - 1) : nullptr, y >= 2 ? row(y - 2) : nullptr };
        const uchar *below[2] = { y + 1 < height ? row(y + 1) : nullptr,
            y + 2 < height ? row(y + 2) : nullptr };
        uchar *out = cells.ptr<uchar>(y / scale);
        for (int x = 0; x < width; ++x) {
            const uchar *p = here + 4 * x;
            // Two steps away catches soft (antialiased) edges and one-pixel lines alike.
            const bool edge = (x >= 2 && difference(p, p - 8) > tolerance)
                || (x + 2 < width && difference(p, p + 8) > tolerance)
                || (above[1] && difference(p, above[1] + 4 * x) > tolerance)
                || (below[1] && difference(p, below[1] + 4 * x) > tolerance);
            if (edge)
                out[x / scale] = 255;
        }
    }
}

// On a picture of few colours saved without loss (a drawn map), the boundaries between its
// regions are the pixels of none of its flat colours: the shading of lines and coasts, often a
// single pixel wide, which the thickened boundary grid of a noisy plan would close over whole
// small regions. Flat colours fill many whole 3 × 3 blocks. Gives an empty matrix for any other
// picture.
cv::Mat plainBoundaries(const QImage &picture)
{
    constexpr int fewest = 64, near = 4;
    if (qint64(picture.width()) * picture.height() > 16'000'000 || picture.width() < 3
        || picture.height() < 3)
        return {};
    // A photograph or a scan shows more colours than that within its first rows.
    const QImage first = picture.copy(0, 0, picture.width(), std::min(picture.height(), 16))
                             .convertToFormat(QImage::Format_RGB32);
    QSet<quint32> seen;
    for (int y = 0; y < first.height(); ++y) {
        const quint32 *row = reinterpret_cast<const quint32 *>(first.constScanLine(y));
        for (int x = 0; x < first.width(); ++x) {
            seen.insert(row[x] & 0xffffff);
            if (seen.size() > fewest)
                return {};
        }
    }
    const QImage rgb = picture.convertToFormat(QImage::Format_RGB32);
    QHash<quint32, int> blocks;
    quint32 last = 0xffffffff;
    for (int y = 0; y < rgb.height(); ++y) {
        const quint32 *row = reinterpret_cast<const quint32 *>(rgb.constScanLine(y));
        for (int x = 0; x < rgb.width(); ++x) {
            const quint32 c = row[x] & 0xffffff;
            if (c != last && !blocks.contains(c)) {
                if (blocks.size() == fewest)
                    return {};
                blocks.insert(c, 0);
            }
            last = c;
        }
    }
    const cv::Mat bgra(rgb.height(), rgb.width(), CV_8UC4, const_cast<uchar *>(rgb.constBits()),
        size_t(rgb.bytesPerLine()));
    const QHash<quint32, int> solid = RegionTrace::solidBlocks(bgra);
    for (auto b = solid.cbegin(); b != solid.cend(); ++b)
        blocks[b.key()] = b.value();
    QList<quint32> flat;
    for (auto b = blocks.cbegin(); b != blocks.cend(); ++b)
        if (b.value() >= RegionTrace::fieldBlocks)
            flat.append(b.key());
    QHash<quint32, uchar> isBoundary;
    for (auto b = blocks.cbegin(); b != blocks.cend(); ++b) {
        const bool nearFlat = std::any_of(flat.begin(), flat.end(),
            [&](quint32 f) { return RegionTrace::channelDistance(b.key(), f) <= near; });
        isBoundary.insert(b.key(), nearFlat ? 0 : 255);
    }
    cv::Mat boundary(rgb.height(), rgb.width(), CV_8U);
    for (int y = 0; y < rgb.height(); ++y) {
        const quint32 *row = reinterpret_cast<const quint32 *>(rgb.constScanLine(y));
        uchar *out = boundary.ptr<uchar>(y);
        for (int x = 0; x < rgb.width(); ++x)
            out[x] = isBoundary.value(row[x] & 0xffffff);
    }
    // Where two flat colours meet without shading, the wider spread of them (the sea) gives
    // up its pixel, so the smaller regions keep their whole extent.
    const int width = rgb.width(), height = rgb.height();
    for (int y = 0; y < height; ++y) {
        const quint32 *row = reinterpret_cast<const quint32 *>(rgb.constScanLine(y));
        uchar *out = boundary.ptr<uchar>(y);
        for (int x = 0; x < width; ++x) {
            if (out[x])
                continue;
            const quint32 c = row[x] & 0xffffff;
            const int spread = blocks.value(c);
            auto yields = [&](int nx, int ny) {
                if (nx < 0 || ny < 0 || nx >= width || ny >= height)
                    return false;
                const quint32 n =
                    reinterpret_cast<const quint32 *>(rgb.constScanLine(ny))[nx] & 0xffffff;
                return n != c && !isBoundary.value(n) && blocks.value(n) < spread;
            };
            if (yields(x - 1, y) || yields(x + 1, y) || yields(x, y - 1) || yields(x, y + 1))
                out[x] = 255;
        }
    }
    return boundary;
}

struct Candidate
{
    QPoint seed;
    QRect window;
};

bool coveredBy(const QList<QPolygon> &covered, QPoint p)
{
    for (const QPolygon &polygon : covered)
        if (polygon.boundingRect().contains(p) && polygon.containsPoint(p, Qt::OddEvenFill))
            return true;
    return false;
}

// A point inside polygon, for telling which region a hot spot lies in.
std::optional<QPoint> pointInside(const QPolygon &polygon)
{
    if (polygon.size() < 3)
        return std::nullopt;
    const QPoint middle = polygon.boundingRect().center();
    if (polygon.containsPoint(middle, Qt::OddEvenFill))
        return middle;
    QPoint sum;
    for (const QPoint &p : polygon)
        sum += p;
    const QPoint mean = sum / polygon.size();
    if (polygon.containsPoint(mean, Qt::OddEvenFill))
        return mean;
    // Beside the middle of the first edge, on its inner side.
    const QPoint a = polygon[0], b = polygon[1];
    const QPoint mid = (a + b) / 2;
    for (int side : { 1, -1 }) {
        const QPoint normal(-(b.y() - a.y()), b.x() - a.x());
        const double l = std::hypot(normal.x(), normal.y());
        if (l <= 0)
            break;
        const QPoint p = mid
            + QPoint(int(std::lround(side * 2 * normal.x() / l)),
                int(std::lround(side * 2 * normal.y() / l)));
        if (polygon.containsPoint(p, Qt::OddEvenFill))
            return p;
    }
    return std::nullopt;
}

// The outline of one region of the reduced grid, at the picture's size.
std::optional<TracedSite> roughSite(
    const cv::Mat &labels, int label, const cv::Rect &box, int scale, QSize size)
{
    cv::Mat mask;
    cv::compare(labels(box), label, mask, cv::CMP_EQ);
    std::vector<std::vector<cv::Point>> contours;
    cv::findContours(mask, contours, cv::RETR_EXTERNAL, cv::CHAIN_APPROX_SIMPLE, box.tl());
    if (contours.empty())
        return std::nullopt;
    const auto longest = std::max_element(contours.begin(), contours.end(),
        [](const auto &a, const auto &b) { return a.size() < b.size(); });
    std::vector<cv::Point> corners;
    cv::approxPolyDP(*longest, corners, 2.0, true);
    if (corners.size() < 3)
        return std::nullopt;
    TracedSite site;
    for (const cv::Point &c : corners)
        site.outline.append(QPoint(std::min(c.x * scale + scale / 2, size.width() - 1),
            std::min(c.y * scale + scale / 2, size.height() - 1)));
    site.bounds = QRect(box.x * scale, box.y * scale, box.width * scale, box.height * scale)
        & QRect(QPoint(), size);
    site.touchesEdge = box.x == 0 || box.y == 0 || box.x + box.width == labels.cols
        || box.y + box.height == labels.rows;
    return site;
}

double polygonArea(const QPolygon &polygon)
{
    double twice = 0;
    for (int i = 0; i < polygon.size(); ++i) {
        const QPoint a = polygon[i], b = polygon[(i + 1) % polygon.size()];
        twice += double(a.x()) * b.y() - double(b.x()) * a.y();
    }
    return std::abs(twice) / 2;
}

} // namespace

QList<SiteProposal> detectSites(const QImage &picture, const QList<QPolygon> &covered,
    const std::function<bool()> &cancelled, const std::function<void(int, int)> &progress,
    const TraceOptions &options)
{
    QList<SiteProposal> proposals;
    if (picture.isNull())
        return proposals;
    auto stopRequested = [&] { return cancelled && cancelled(); };

    // Regions are found on a reduced grid of boundary cells, then each is traced at full size
    // in a window of its own.
    const qint64 pixels = qint64(picture.width()) * picture.height();
    cv::Mat boundary = plainBoundaries(picture);
    const bool plain = !boundary.empty();
    const int scale = plain ? 1 : std::max(1, int(std::ceil(std::sqrt(double(pixels) / 12e6))));
    if (!plain) {
        const cv::Size grid(
            (picture.width() + scale - 1) / scale, (picture.height() + scale - 1) / scale);
        boundary = cv::Mat::zeros(grid, CV_8U);
        // Two halves on two threads; each half starts on a cell row of its own.
        const int middle = (picture.height() / 2) / scale * scale;
        const int tolerance = options.colourTolerance * 3 / 4;
        std::thread other(
            [&] { markBoundaries(picture, scale, tolerance, boundary, middle, picture.height()); });
        markBoundaries(picture, scale, tolerance, boundary, 0, middle);
        other.join();
    }
    if (stopRequested())
        return proposals;
    const int gapRadius = plain ? 0 : (std::max(0, options.maxGap / 2) + scale - 1) / scale;
    if (gapRadius > 0)
        cv::dilate(boundary, boundary,
            cv::getStructuringElement(cv::MORPH_ELLIPSE, { 2 * gapRadius + 1, 2 * gapRadius + 1 }));
    cv::Mat open;
    cv::bitwise_not(boundary, open);
    boundary.release();
    cv::Mat labels, stats, centroids;
    const int count = cv::connectedComponentsWithStats(open, labels, stats, centroids, 4, CV_32S);
    centroids.release();
    cv::Mat depth;
    cv::distanceTransform(open, depth, cv::DIST_L2, 3);
    open.release();
    std::vector<float> deepest(size_t(count), 0.0f);
    std::vector<cv::Point> deepestAt(static_cast<size_t>(count));
    for (int y = 0; y < labels.rows; ++y) {
        const int *label = labels.ptr<int>(y);
        const float *d = depth.ptr<float>(y);
        for (int x = 0; x < labels.cols; ++x)
            if (d[x] > deepest[size_t(label[x])])
                deepest[size_t(label[x])] = d[x], deepestAt[size_t(label[x])] = { x, y };
    }
    depth.release();
    if (stopRequested())
        return proposals;

    // A region is covered when a hot spot lies in it or its deepest point lies in a hot spot.
    std::vector<char> isCovered(size_t(count), 0);
    for (const QPolygon &polygon : covered)
        if (const auto p = pointInside(polygon); p && picture.rect().contains(*p))
            isCovered[size_t(labels.at<int>(p->y() / scale, p->x() / scale))] = 1;

    const int margin = (gapRadius + 2) * scale + options.maxGap + options.symbolRadius + 8;
    // A drawn map's regions may be a few pixels (small islands and countries).
    const int smallest = plain ? 1 : std::max(4, 400 / (scale * scale));
    const float shallowest = plain ? 1 : 2;
    const qint64 largestWindow = std::min<qint64>(pixels / 4, 16'000'000);
    std::vector<Candidate> candidates;
    std::vector<TracedSite> rough;
    for (int label = 1; label < count; ++label) {
        const int *s = stats.ptr<int>(label);
        if (s[cv::CC_STAT_AREA] < smallest || deepest[size_t(label)] < shallowest
            || isCovered[size_t(label)])
            continue;
        const cv::Point d = deepestAt[size_t(label)];
        const QPoint seed(std::min(d.x * scale + scale / 2, picture.width() - 1),
            std::min(d.y * scale + scale / 2, picture.height() - 1));
        if (coveredBy(covered, seed))
            continue;
        const QRect window = QRect(s[cv::CC_STAT_LEFT] * scale, s[cv::CC_STAT_TOP] * scale,
                                 s[cv::CC_STAT_WIDTH] * scale, s[cv::CC_STAT_HEIGHT] * scale)
                                 .adjusted(-margin, -margin, margin, margin)
            & picture.rect();
        // Margins and road networks are far too large to be sites: they are proposed with the
        // rough outline of the reduced grid, for the person to see and leave out.
        if (qint64(window.width()) * window.height() > largestWindow) {
            const cv::Rect box(s[cv::CC_STAT_LEFT], s[cv::CC_STAT_TOP], s[cv::CC_STAT_WIDTH],
                s[cv::CC_STAT_HEIGHT]);
            if (auto site = roughSite(labels, label, box, scale, picture.size())) {
                site->inside = seed;
                rough.push_back(std::move(*site));
            }
            continue;
        }
        candidates.push_back({ seed, window });
    }

    labels.release();
    const int total = int(candidates.size());
    std::vector<std::optional<TracedSite>> traced(static_cast<size_t>(total));
    std::atomic<int> next = 0, done = 0;
    std::atomic<bool> stop = false;
    auto work = [&](bool reporting) {
        for (int i = next++; i < total && !stop; i = next++) {
            QRect window = candidates[size_t(i)].window;
            for (int attempt = 0; attempt < 3; ++attempt) {
                const WindowTrace trace =
                    traceInWindow(picture, candidates[size_t(i)].seed, window, options);
                if (trace.result == WindowTrace::Traced && trace.area <= pixels / 4)
                    traced[size_t(i)] = trace.site;
                if (trace.result != WindowTrace::ReachesWindowEdge)
                    break;
                window = window.adjusted(-window.width() / 2, -window.height() / 2,
                             window.width() / 2, window.height() / 2)
                    & picture.rect();
                if (qint64(window.width()) * window.height() > largestWindow)
                    break;
            }
            ++done;
            if (reporting) {
                if (stopRequested())
                    stop = true;
                if (progress)
                    progress(done, total);
            }
        }
    };
    std::thread helper(work, false);
    work(true);
    helper.join();
    if (progress)
        progress(done, total);

    for (TracedSite &site : rough)
        traced.push_back(std::move(site));
    // One region found twice (split on the reduced grid) is proposed once.
    std::vector<SiteProposal> found;
    for (auto &site : traced) {
        if (!site || coveredBy(covered, site->inside))
            continue;
        bool twice = false;
        for (const SiteProposal &earlier : found) {
            const TracedSite &e = earlier.site;
            if (e.bounds.intersects(site->bounds)
                && e.outline.containsPoint(site->inside, Qt::OddEvenFill)
                && site->outline.containsPoint(e.inside, Qt::OddEvenFill)) {
                twice = true;
                break;
            }
        }
        if (!twice)
            found.push_back({ std::move(*site), 1 });
    }
    std::vector<double> areas;
    for (const SiteProposal &p : found)
        if (!p.touchesEdge())
            areas.push_back(polygonArea(p.site.outline));
    double median = 1;
    if (!areas.empty()) {
        auto middle = areas.begin() + areas.size() / 2;
        std::nth_element(areas.begin(), middle, areas.end());
        median = std::max(1.0, *middle);
    }
    for (SiteProposal &p : found)
        p.sizeToMedian = polygonArea(p.site.outline) / median;
    // Reading order: rows of the median lot's height, left to right in each.
    const int band = std::max(1, int(std::sqrt(median)));
    std::sort(found.begin(), found.end(), [band](const SiteProposal &a, const SiteProposal &b) {
        const int ra = a.site.bounds.center().y() / band, rb = b.site.bounds.center().y() / band;
        return ra != rb ? ra < rb : a.site.bounds.center().x() < b.site.bounds.center().x();
    });
    proposals.reserve(qsizetype(found.size()));
    for (SiteProposal &p : found)
        proposals.append(std::move(p));
    return proposals;
}
