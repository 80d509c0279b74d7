// Measures the tracer against drawn plans whose lots are known, and against the coloured world
// map and its page's areas: how well outlines match, and how long tracing and detection take.
//
//   bench_trace plan [WIDTHxHEIGHT [LOTS [RUNS]]]   quality and timings on a drawn plan
//   bench_trace world PICTURE PAGE                  regions of a coloured map against its areas
//   (BENCH_TRACE_VERBOSE=1 each area, =2 with its traced corners, =3 with its best proposal)

#include "planmaker.h"

#include "trace/detectsites.h"
#include "trace/tracesite.h"

#include <QElapsedTimer>
#include <QFile>
#include <QGuiApplication>
#include <QImageReader>
#include <QPainter>
#include <QRegularExpression>

#include <algorithm>
#include <cstdio>
#include <ctime>
#include <fstream>
#include <string>

using namespace Qt::StringLiterals;

namespace {

double intersectionOverUnion(const QPolygon &a, const QPolygon &b)
{
    const QRect box = a.boundingRect().united(b.boundingRect()).adjusted(-2, -2, 2, 2);
    auto raster = [&](const QPolygon &polygon) {
        QImage image(box.size(), QImage::Format_Grayscale8);
        image.fill(0);
        QPainter p(&image);
        p.setPen(Qt::NoPen);
        p.setBrush(Qt::white);
        p.drawPolygon(polygon.translated(-box.topLeft()), Qt::OddEvenFill);
        return image;
    };
    const QImage ra = raster(a), rb = raster(b);
    qint64 both = 0, either = 0;
    for (int y = 0; y < box.height(); ++y) {
        const uchar *pa = ra.constScanLine(y), *pb = rb.constScanLine(y);
        for (int x = 0; x < box.width(); ++x) {
            both += pa[x] && pb[x];
            either += pa[x] || pb[x];
        }
    }
    return either ? double(both) / double(either) : 0;
}

// Same number of corners, each within one pixel of a corner of the truth.
bool sameCorners(const QPolygon &traced, const QPolygon &truth)
{
    if (traced.size() != truth.size())
        return false;
    for (const QPoint &t : truth) {
        bool found = false;
        for (const QPoint &c : traced)
            found = found || (std::abs(c.x() - t.x()) <= 1 && std::abs(c.y() - t.y()) <= 1);
        if (!found)
            return false;
    }
    return true;
}

struct Spread
{
    double median = 0, fastest = 0, slowest = 0;
};

Spread spread(std::vector<double> values)
{
    if (values.empty())
        return {};
    std::sort(values.begin(), values.end());
    return { values[values.size() / 2], values.front(), values.back() };
}

long memoryKiB(const char *field)
{
    std::ifstream status("/proc/self/status");
    std::string line;
    while (std::getline(status, line))
        if (line.rfind(field, 0) == 0)
            return std::stol(line.substr(std::string(field).size()));
    return 0;
}

void resetPeakMemory()
{
    std::ofstream("/proc/self/clear_refs") << "5";
}

int measurePlan(QSize size, int lotCount, int runs)
{
    QElapsedTimer timer;
    timer.start();
    const Plan plan = makePlan(size, lotCount, 20261209);
    std::printf("plan %dx%d, %lld lots, drawn and through JPEG in %.1f s\n", size.width(),
        size.height(), qlonglong(plan.lots.size()), timer.elapsed() / 1000.0);
    if (const QString keep = qEnvironmentVariable("BENCH_TRACE_SAVE"); !keep.isEmpty())
        plan.picture.save(keep);

    // Every lot traced from a double-click inside it.
    int good = 0, straight = 0, exact = 0, failed = 0;
    std::vector<double> times;
    QList<QPolygon> misses;
    for (const PlanLot &lot : plan.lots) {
        timer.restart();
        const auto site = traceSite(plan.picture, lot.click);
        times.push_back(timer.nsecsElapsed() / 1e6);
        const double iou = site ? intersectionOverUnion(site->outline, lot.outline) : 0;
        failed += !site;
        good += iou >= 0.97;
        if (lot.straight) {
            ++straight;
            const bool same = site && sameCorners(site->outline, lot.outline);
            exact += same;
            if (!same && site && qEnvironmentVariableIsSet("BENCH_TRACE_VERBOSE")) {
                auto text = [](const QPolygon &polygon) {
                    QStringList parts;
                    for (const QPoint &c : polygon)
                        parts << u"%1,%2"_s.arg(c.x()).arg(c.y());
                    return parts.join(u' ');
                };
                std::printf("  corners of lot %s: traced %s, drawn %s (line %.1f)\n",
                    qPrintable(lot.name), qPrintable(text(site->outline)),
                    qPrintable(text(lot.outline)), site->lineWidth);
            }
        }
        if (iou < 0.97 && misses.size() < 5) {
            misses.append(lot.outline);
            std::printf("  lot %s at %d,%d: IoU %.3f, %lld corners traced, %lld drawn\n",
                qPrintable(lot.name), lot.click.x(), lot.click.y(), iou,
                site ? qlonglong(site->outline.size()) : 0LL, qlonglong(lot.outline.size()));
        }
    }
    const double n = double(plan.lots.size());
    std::printf("traceSite: %.2f %% of lots at IoU >= 0.97 (%d failed), %.2f %% of %d "
                "straight-edged lots with exactly their corners\n",
        100.0 * good / n, failed, 100.0 * exact / std::max(1, straight), straight);
    const Spread t = spread(times);
    std::printf("traceSite time per lot: median %.2f ms, fastest %.2f, slowest %.2f ms\n", t.median,
        t.fastest, t.slowest);

    // The whole plan at once.
    std::vector<double> detectTimes, detectProcessor;
    QList<SiteProposal> proposals;
    const long before = memoryKiB("VmRSS:");
    for (int run = 0; run < runs; ++run) {
        proposals.clear();
        resetPeakMemory();
        timer.restart();
        const std::clock_t started = std::clock();
        proposals = detectSites(plan.picture, {});
        detectTimes.push_back(timer.elapsed() / 1000.0);
        detectProcessor.push_back(double(std::clock() - started) / CLOCKS_PER_SEC);
    }
    const long peak = memoryKiB("VmHWM:");
    const Spread d = spread(detectTimes), dp = spread(detectProcessor);
    std::printf("detectSites: %lld proposals, median %.2f s, fastest %.2f, slowest %.2f s "
                "(%d runs; processor time of both threads: median %.2f s), peak %.0f MiB over "
                "the %.0f MiB before it\n",
        qlonglong(proposals.size()), d.median, d.fastest, d.slowest, runs, dp.median,
        (peak - before) / 1024.0, before / 1024.0);
    int found = 0, lots = 0, candidates = 0;
    std::vector<char> matched(size_t(proposals.size()), 0);
    for (const PlanLot &lot : plan.lots) {
        double best = 0;
        int bestAt = -1;
        for (int i = 0; i < proposals.size(); ++i) {
            const TracedSite &s = proposals[i].site;
            if (!lot.outline.boundingRect().contains(s.inside)
                || !lot.outline.containsPoint(s.inside, Qt::OddEvenFill))
                continue;
            const double iou = intersectionOverUnion(s.outline, lot.outline);
            if (iou > best)
                best = iou, bestAt = i;
        }
        found += best >= 0.95;
        if (best >= 0.95)
            matched[size_t(bestAt)] = 1;
    }
    for (int i = 0; i < proposals.size(); ++i) {
        // Proposals a person would be offered checked: not at the edge, not far larger.
        if (proposals[i].touchesEdge() || proposals[i].sizeToMedian > 4)
            continue;
        ++candidates;
        lots += matched[size_t(i)];
    }
    std::printf("detectSites: recall %.2f %% (lots with a proposal at IoU >= 0.95), precision "
                "%.2f %% (%d of %d proposals not at the edge nor over 4 x the median)\n",
        100.0 * found / n, 100.0 * lots / std::max(1, candidates), lots, candidates);
    return 0;
}

int measureWorld(const QString &picturePath, const QString &pagePath)
{
    const QImage picture(picturePath);
    QFile page(pagePath);
    if (picture.isNull() || !page.open(QIODevice::ReadOnly)) {
        std::fprintf(
            stderr, "cannot read %s or %s\n", qPrintable(picturePath), qPrintable(pagePath));
        return 1;
    }
    const QString html = QString::fromUtf8(page.readAll());
    static const QRegularExpression area(u"<area[^>]*coords=\"([^\"]*)\""_s);
    QList<QPolygon> areas;
    for (auto m = area.globalMatch(html); m.hasNext();) {
        const QStringList numbers = m.next().captured(1).split(u',');
        QPolygon polygon;
        for (int i = 0; i + 1 < numbers.size(); i += 2)
            polygon << QPoint(numbers[i].trimmed().toInt(), numbers[i + 1].trimmed().toInt());
        areas.append(polygon);
    }
    // Seed each area at the pixel inside it farthest from its edge.
    int good = 0, large = 0, largeGood = 0, failed = 0;
    std::vector<double> times;
    for (const QPolygon &polygon : std::as_const(areas)) {
        const QRect box = polygon.boundingRect();
        QImage mask(box.size() + QSize(1, 1), QImage::Format_Grayscale8);
        mask.fill(0);
        {
            QPainter p(&mask);
            p.setPen(Qt::NoPen);
            p.setBrush(Qt::white);
            p.drawPolygon(polygon.translated(-box.topLeft()), Qt::OddEvenFill);
        }
        QPoint seed = box.center();
        int bestDepth = -1;
        for (int y = 0; y < mask.height(); ++y)
            for (int x = 0; x < mask.width(); ++x) {
                if (!qGray(mask.pixel(x, y)))
                    continue;
                int depth = 0;
                while (depth < 40) {
                    const int r = depth + 1;
                    auto in = [&](int px, int py) {
                        return px >= 0 && py >= 0 && px < mask.width() && py < mask.height()
                            && qGray(mask.pixel(px, py));
                    };
                    if (!in(x - r, y) || !in(x + r, y) || !in(x, y - r) || !in(x, y + r))
                        break;
                    ++depth;
                }
                if (depth > bestDepth)
                    bestDepth = depth, seed = box.topLeft() + QPoint(x, y);
            }
        QElapsedTimer timer;
        timer.start();
        TraceOptions options;
        const auto site = traceSite(picture, seed, options);
        times.push_back(timer.nsecsElapsed() / 1e6);
        const double iou = site ? intersectionOverUnion(site->outline, polygon) : 0;
        failed += !site;
        good += iou >= 0.95;
        if (qEnvironmentVariableIsSet("BENCH_TRACE_VERBOSE")) {
            std::printf("  area at %d,%d (%dx%d): %s, IoU %.3f", seed.x(), seed.y(), box.width(),
                box.height(), site ? "traced" : "not traced", iou);
            if (site && qEnvironmentVariableIntValue("BENCH_TRACE_VERBOSE") > 1)
                for (const QPoint &c : site->outline)
                    std::printf(" %d,%d", c.x(), c.y());
            std::printf("\n");
        }
        if (box.width() * box.height() >= 400) {
            ++large;
            largeGood += iou >= 0.95;
        }
    }
    const Spread t = spread(times);
    std::printf("world map: %lld areas, %.2f %% at IoU >= 0.95 (%d not traced); areas of at "
                "least 20 x 20 px: %.2f %% of %d; median %.2f ms per area\n",
        qlonglong(areas.size()), 100.0 * good / std::max<qsizetype>(1, areas.size()), failed,
        100.0 * largeGood / std::max(1, large), large, t.median);

    // The whole map at once: each area's best proposal, and each proposal a person would be
    // offered checked (not at the edge, not far larger) against its best area.
    QElapsedTimer timer;
    timer.start();
    const QList<SiteProposal> proposals = detectSites(picture, {});
    const double detectMs = timer.nsecsElapsed() / 1e6;
    std::vector<double> bestForProposal(size_t(proposals.size()), 0);
    int found = 0;
    for (const QPolygon &polygon : std::as_const(areas)) {
        double best = 0;
        for (int i = 0; i < proposals.size(); ++i) {
            const QPolygon &outline = proposals[i].site.outline;
            if (!outline.boundingRect().intersects(polygon.boundingRect()))
                continue;
            const double iou = intersectionOverUnion(outline, polygon);
            best = std::max(best, iou);
            bestForProposal[size_t(i)] = std::max(bestForProposal[size_t(i)], iou);
        }
        found += best >= 0.95;
        if (qEnvironmentVariableIntValue("BENCH_TRACE_VERBOSE") > 2)
            std::printf("  area at %d,%d: best proposal IoU %.3f\n", polygon.boundingRect().x(),
                polygon.boundingRect().y(), best);
    }
    int candidates = 0, regions = 0;
    for (int i = 0; i < proposals.size(); ++i) {
        if (proposals[i].touchesEdge() || proposals[i].sizeToMedian > 4)
            continue;
        ++candidates;
        regions += bestForProposal[size_t(i)] >= 0.5;
    }
    std::printf("detectSites on the map: %lld proposals in %.0f ms; recall %.2f %% (areas with a "
                "proposal at IoU >= 0.95), precision %.2f %% (%d of %d proposals not at the edge "
                "nor over 4 x the median match an area at IoU >= 0.5)\n",
        qlonglong(proposals.size()), detectMs, 100.0 * found / std::max<qsizetype>(1, areas.size()),
        100.0 * regions / std::max(1, candidates), regions, candidates);
    return 0;
}

} // namespace

int main(int argc, char **argv)
{
    QGuiApplication app(argc, argv);
    QImageReader::setAllocationLimit(0);
    const QStringList args = app.arguments();
    if (args.size() >= 4 && args[1] == u"world"_s)
        return measureWorld(args[2], args[3]);
    if (args.size() >= 2 && args[1] == u"plan"_s) {
        QSize size(6000, 4000);
        if (args.size() >= 3) {
            const QStringList wh = args[2].split(u'x');
            size = QSize(wh.value(0).toInt(), wh.value(1).toInt());
        }
        const int lots = args.size() >= 4 ? args[3].toInt() : 1001;
        const int runs = args.size() >= 5 ? args[4].toInt() : 5;
        return measurePlan(size, lots, runs);
    }
    std::fprintf(stderr,
        "usage: bench_trace plan [WIDTHxHEIGHT [LOTS [RUNS]]] | world PICTURE "
        "PAGE\n");
    return 2;
}
