// Draws a plan with known lots to a picture file, for measuring the editor from outside:
//   quorvel_drawplan WIDTHxHEIGHT LOTS OUT.jpg [--marker]
// Prints one line a lot: its number and the point inside it where a person would double-click
// (picture pixels). --marker paints a magenta square at pixels 16–31 of the margin's top-left,
// for a watcher to find where the picture lies on the screen (the lots start far from it).
#include "planmaker.h"

#include <QGuiApplication>
#include <QImageReader>
#include <QPainter>

#include <cstdio>

int main(int argc, char *argv[])
{
    QGuiApplication app(argc, argv);
    const QStringList args = app.arguments();
    if (args.size() < 4) {
        std::fprintf(stderr, "usage: quorvel_drawplan WIDTHxHEIGHT LOTS OUT.jpg [--marker]\n");
        return 2;
    }
    QImageReader::setAllocationLimit(0);
    const QStringList wh = args[1].split(u'x');
    const QSize size(wh.value(0).toInt(), wh.value(1).toInt());
    Plan plan = makePlan(size, args[2].toInt(), 7);
    if (args.contains(u"--marker")) {
        QPainter p(&plan.picture);
        // A whole 16-pixel block of the JPEG: its colour survives the chroma subsampling.
        p.fillRect(16, 16, 16, 16, QColor(255, 0, 255));
    }
    // The plan already went through JPEG at 75 once; a second pass at 95 adds little.
    if (!plan.picture.save(args[3], nullptr, 95)) {
        std::fprintf(stderr, "cannot write %s\n", qPrintable(args[3]));
        return 1;
    }
    for (const PlanLot &lot : std::as_const(plan.lots))
        std::printf("%s %d %d\n", qPrintable(lot.name), lot.click.x(), lot.click.y());
    return 0;
}
