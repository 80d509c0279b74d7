// Times the control with 1001 hot spots of 6 to 10 corners over a 6000 x 4000 picture:
//   bench_imagemap                       medians of the four measurements
//   bench_imagemap --zoom                repaint at every zoom step and Fit, zoom steps, the
//                                        scaled copies and memory, over 10000 x 10000 pixels
//   bench_imagemap --screenshot PICTURE MAP OUT.png
//                                        renders the control showing PICTURE and MAP to OUT.png

#include "imagemap/areaparser.h"
#include "imagemap/imagemap.h"
#include "imagemap/zoomladder.h"

#include <QApplication>
#include <QElapsedTimer>
#include <QFile>
#include <QImageReader>
#include <QMouseEvent>
#include <QPainter>
#include <QRandomGenerator>

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <ctime>
#include <functional>

using namespace Qt::StringLiterals;

namespace {

const QSize viewSize(1657, 927);

QString makeMapText(QSize plan = QSize(6000, 4000))
{
    QRandomGenerator random(7);
    QString text = u"<map name=map>"_s;
    const int columns = 40, rows = 26, cellW = plan.width() / columns, cellH = plan.height() / rows;
    for (int k = 0; k < 1001; ++k) {
        const double cx = (k % columns + 0.5) * cellW, cy = (k / columns + 0.5) * cellH;
        const int corners = 6 + random.bounded(5);
        QStringList coords;
        for (int c = 0; c < corners; ++c) {
            const double angle = 2 * M_PI * c / corners;
            const double radius = 40 + random.bounded(30);
            coords.append(QString::number(std::lround(cx + radius * std::cos(angle))));
            coords.append(QString::number(std::lround(cy + radius * std::sin(angle))));
        }
        text += u"<AREA SHAPE=POLY COORDS=\""_s + coords.join(u',') + u"\" ID=\"Lot "_s
            + QString::number(k + 1) + u"\" color=\"#00ff00\">"_s;
    }
    return text + u"</map>"_s;
}

QImage makePicture(QSize size = QSize(6000, 4000))
{
    QImage picture(size, QImage::Format_RGB32);
    QPainter painter(&picture);
    QLinearGradient gradient(0, 0, size.width(), size.height());
    gradient.setColorAt(0, QColor(240, 235, 220));
    gradient.setColorAt(1, QColor(180, 200, 170));
    painter.fillRect(picture.rect(), gradient);
    return picture;
}

// "median (fastest)" of the runs, in microseconds; the fastest shows the cost on an idle
// machine when others share the processor.
void report(const char *label, int runs, const std::function<void()> &body)
{
    QList<double> times;
    for (int k = 0; k < runs; ++k) {
        QElapsedTimer timer;
        timer.start();
        body();
        times.append(timer.nsecsElapsed() / 1000.0);
    }
    std::sort(times.begin(), times.end());
    std::printf("%-30s %10.2f us (fastest %.2f)\n", label, times[times.size() / 2], times.first());
}

void moveMouse(ImageMap &map, const QPointF &pos)
{
    QMouseEvent event(
        QEvent::MouseMove, pos, map.mapToGlobal(pos), Qt::NoButton, Qt::NoButton, Qt::NoModifier);
    QCoreApplication::sendEvent(&map, &event);
}

int benchmark()
{
    const QString mapText = makeMapText();
    ImageMap map;
    map.setPicture(makePicture());
    map.resize(map.sizeHint());
    QImage view(viewSize, QImage::Format_ARGB32_Premultiplied);
    const QRegion viewRegion(QRect(QPoint(1000, 1000), viewSize));
    const auto paintView = [&] { map.render(&view, QPoint(), viewRegion); };

    std::printf("map text: %lld characters, %lld areas\n", qlonglong(mapText.size()),
        qlonglong(AreaParser::parseAreas(mapText).size()));
    report("parse, quick reader:", 101, [&] { (void)AreaParser::parseAreasFast(mapText); });
    report("parse, full HTML parser:", 101, [&] { (void)AreaParser::parseAreasFull(mapText); });
    report("setCoordsString:", 101, [&] { map.setCoordsString(mapText); });

    QRandomGenerator random(11);
    QList<QPointF> points;
    for (int k = 0; k < 2000; ++k)
        points.append(QPointF(random.bounded(6000.0), random.bounded(4000.0)));
    qsizetype next = 0;
    report("mouse move (hit-test, hover):", 2001,
        [&] { moveMouse(map, points[next++ % points.size()]); });
    moveMouse(map, QPointF(1300, 1300));

    paintView();
    report("repaint 1657x927 view:", 51, paintView);
    report("name to outline painted:", 51, [&] {
        map.setCoordsString(mapText);
        paintView();
    });
    return 0;
}

// Resident and peak resident memory of this process, in MiB.
std::pair<double, double> memoryMiB()
{
    QFile status(u"/proc/self/status"_s);
    double rss = 0, peak = 0;
    if (status.open(QIODevice::ReadOnly)) {
        for (const QByteArray &line : status.readAll().split('\n')) {
            const QList<QByteArray> parts = line.simplified().split(' ');
            if (parts.size() >= 2 && parts[0] == "VmRSS:")
                rss = parts[1].toDouble() / 1024;
            else if (parts.size() >= 2 && parts[0] == "VmHWM:")
                peak = parts[1].toDouble() / 1024;
        }
    }
    return { rss, peak };
}

double processCpuMs()
{
    timespec t {};
    clock_gettime(CLOCK_PROCESS_CPUTIME_ID, &t);
    return t.tv_sec * 1.0e3 + t.tv_nsec / 1.0e6;
}

// "median (fastest, slowest)" in milliseconds, and the median processor time of the process
// (painting may use a few threads), which other programs on the machine disturb less.
void reportSpread(const QString &label, int runs, const std::function<void()> &body)
{
    QList<double> times, cpu;
    for (int k = 0; k < runs; ++k) {
        QElapsedTimer timer;
        const double cpuStart = processCpuMs();
        timer.start();
        body();
        times.append(timer.nsecsElapsed() / 1.0e6);
        cpu.append(processCpuMs() - cpuStart);
    }
    std::sort(times.begin(), times.end());
    std::sort(cpu.begin(), cpu.end());
    std::printf("%-38s %7.2f ms (fastest %.2f, slowest %.2f; processor %.2f)\n", qPrintable(label),
        times[times.size() / 2], times.first(), times.last(), cpu[cpu.size() / 2]);
}

int zoomBenchmark()
{
    const QSize plan(10000, 10000);
    ImageMap map;
    map.setPicture(makePicture(plan));
    map.setCoordsString(makeMapText(plan));
    const double pictureMiB = plan.width() * plan.height() * 4.0 / (1 << 20);
    const auto [rss0, peak0] = memoryMiB();
    std::printf("picture %dx%d, %.0f MiB; process %.0f MiB resident, %.0f MiB peak\n", plan.width(),
        plan.height(), pictureMiB, rss0, peak0);

    QImage view(viewSize, QImage::Format_ARGB32_Premultiplied);
    // The view over the middle of the zoomed picture (or its top-left corner when it is small).
    const auto paintView = [&] {
        const QPoint centre =
            map.pictureToWidget(QPointF(plan.width(), plan.height()) / 2).toPoint();
        const QPoint corner(std::max(0, centre.x() - viewSize.width() / 2),
            std::max(0, centre.y() - viewSize.height() / 2));
        map.render(&view, QPoint(), QRegion(QRect(corner, viewSize)));
    };

    // Until the copies exist the view is drawn from the picture itself.
    map.setZoom(ZoomLadder::minimum());
    paintView();
    reportSpread(u"repaint at 6.25 %, while copies are made:"_s, 5, paintView);
    map.setZoom(0.5);
    paintView();
    reportSpread(u"repaint at 50 %, while copies are made:"_s, 5, paintView);
    map.setZoom(1);
    map.setPicture(map.scaledPicture().picture());

    // Zooming out for the first time starts the copies; the user waits only for setZoom.
    QElapsedTimer timer;
    timer.start();
    map.setZoom(0.5);
    std::printf(
        "%-38s %7.2f ms\n", "first zoom out (input blocked):", timer.nsecsElapsed() / 1.0e6);
    paintView();
    std::printf("%-38s %7.2f ms\n", "  and its first repaint:", timer.nsecsElapsed() / 1.0e6);
    map.scaledPicture().waitForCopies();
    std::printf("%-38s %7.2f ms\n", "scaled copies ready (worker):", timer.nsecsElapsed() / 1.0e6);

    QList<double> zooms(ZoomLadder::steps().begin(), ZoomLadder::steps().end());
    const double fit = ZoomLadder::fit(plan, QSize(1641, 878));
    zooms.append(fit);
    for (const double zoom : std::as_const(zooms)) {
        map.setZoom(zoom);
        moveMouse(
            map, map.pictureToWidget(QPointF(plan.width(), plan.height()) / 2) + QPointF(3, 3));
        paintView();
        reportSpread(u"repaint at %1%2:"_s.arg(
                         ZoomLadder::percentText(zoom), zoom == fit ? u" (Fit)"_s : QString()),
            21, paintView);
    }

    // A step is what the user waits for: the new zoom set and the view painted.
    qsizetype next = 0;
    reportSpread(u"zoom step (set zoom, repaint):"_s, 61, [&] {
        map.setZoom(zooms[next++ % (zooms.size() - 1)]);
        paintView();
    });
    reportSpread(u"Fit from 100 % (set zoom, repaint):"_s, 21, [&] {
        map.setZoom(1);
        map.setZoom(fit);
        paintView();
    });

    map.setZoom(ZoomLadder::minimum());
    paintView();
    const auto [rss, peak] = memoryMiB();
    std::printf(
        "zoomed out: %.0f MiB resident, %.0f MiB peak; limit 1.4 x picture + 60 = %.0f MiB\n", rss,
        peak, 1.4 * pictureMiB + 60);
    return 0;
}

int screenshot(const QString &picturePath, const QString &mapPath, const QString &outPath)
{
    QImageReader reader(picturePath);
    const QImage picture = reader.read();
    QFile file(mapPath);
    if (picture.isNull() || !file.open(QIODevice::ReadOnly)) {
        std::fprintf(stderr, "cannot read the picture or the map\n");
        return 1;
    }
    ImageMap map;
    map.setPicture(picture);
    map.setCoordsString(QString::fromUtf8(file.readAll()));
    map.resize(map.sizeHint());
    map.setConstructionCorners({ QPointF(60, 40), QPointF(160, 30), QPointF(170, 90) });
    moveMouse(map, QPointF(120, 140));
    const QSize size = picture.size().boundedTo(viewSize) + QSize(40, 40);
    QImage out(size, QImage::Format_RGB32);
    map.render(&out, QPoint(), QRegion(QRect(QPoint(), size)));
    return out.save(outPath) ? 0 : 1;
}

} // namespace

int main(int argc, char **argv)
{
    qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication app(argc, argv);
    const QStringList args = app.arguments();
    if (args.size() == 2 && args[1] == u"--zoom")
        return zoomBenchmark();
    if (args.size() == 5 && args[1] == u"--screenshot")
        return screenshot(args[2], args[3], args[4]);
    return benchmark();
}
