// Detect Sites on a drawn plan, in the window as the editor runs it: time from start to the
// proposals listed and to every name read. Saves the window and the plan after Add when
// BENCH_DETECT_SHOTS names a folder.
#include "document/mapdocument.h"
#include "imagemap/imagemap.h"
#include "planmaker.h"
#include "silentstandins.h"
#include "sites/detectsiteswindow.h"

#include <QApplication>
#include <QElapsedTimer>
#include <QEventLoop>
#include <QImageReader>
#include <QSet>
#include <QTreeWidget>

#include <algorithm>
#include <cstdio>
#include <vector>

using namespace Qt::StringLiterals;

int main(int argc, char **argv)
{
    QApplication app(argc, argv);
    QImageReader::setAllocationLimit(0);
    const QStringList args = app.arguments();
    const QStringList wh = args.value(1, u"6000x4000"_s).split(u'x');
    const QSize size(wh.value(0).toInt(), wh.value(1).toInt());
    const int lots = args.value(2, u"1001"_s).toInt();
    const int runs = args.value(3, u"5"_s).toInt();
    const Plan plan = makePlan(size, lots, 20261209);
    std::printf(
        "plan %dx%d, %lld lots\n", size.width(), size.height(), qlonglong(plan.lots.size()));

    std::vector<double> listed, read;
    SilentPrompts prompts;
    for (int run = 0; run < runs; ++run) {
        MapDocument document;
        DetectSitesWindow window(document, prompts, { [&] { return plan.picture; }, {} });
        window.show();
        QElapsedTimer timer;
        timer.start();
        double listedAt = 0;
        QObject::connect(&window, &DetectSitesWindow::proposalsChanged, &window, [&] {
            if (listedAt == 0 && window.list()->topLevelItemCount() > 0)
                listedAt = timer.elapsed() / 1000.0;
        });
        // An event loop that sleeps between events, as the editor's does: polling with a time
        // limit would keep one of the two cores busy and slow the work it waits for.
        QEventLoop loop;
        QObject::connect(&window, &DetectSitesWindow::finished, &loop, &QEventLoop::quit);
        window.start();
        if (!window.isDone())
            loop.exec();
        const double doneAt = timer.elapsed() / 1000.0;
        // A checked proposal is right when it carries a lot's printed name (names are unique).
        QSet<QString> printed;
        for (const PlanLot &lot : plan.lots)
            printed.insert(lot.name);
        int checked = 0, named = 0, right = 0;
        for (int i = 0; i < window.list()->topLevelItemCount(); ++i) {
            const QTreeWidgetItem *item = window.list()->topLevelItem(i);
            const bool on = item->checkState(0) == Qt::Checked;
            checked += on;
            right += on && printed.contains(item->text(0));
            named += !item->text(0).isEmpty();
        }
        if (qEnvironmentVariableIsSet("BENCH_DETECT_VERBOSE")) {
            for (int i = 0; i < window.list()->topLevelItemCount(); ++i) {
                const QTreeWidgetItem *item = window.list()->topLevelItem(i);
                const bool on = item->checkState(0) == Qt::Checked;
                if (on != printed.contains(item->text(0)))
                    std::printf("  %s \"%s\" %s, %s\n", on ? "checked" : "unchecked",
                        qPrintable(item->text(0)), qPrintable(item->text(3)),
                        qPrintable(item->text(2)));
            }
        }
        std::printf("run %d: %d proposals listed %.2f s, names read %.2f s; %d named, %d checked, "
                    "%d of them with a lot's printed name\n",
            run, window.list()->topLevelItemCount(), listedAt, doneAt, named, checked, right);
        listed.push_back(listedAt);
        read.push_back(doneAt);
        const QString shots = qEnvironmentVariable("BENCH_DETECT_SHOTS");
        if (run == runs - 1 && !shots.isEmpty()) {
            ImageMap control;
            control.setPicture(plan.picture);
            QObject::connect(
                &window, &DetectSitesWindow::proposalsChanged, &control, &ImageMap::setProposals);
            window.list()->setCurrentItem(window.list()->topLevelItem(3));
            window.resize(520, 900);
            window.grab().save(shots + u"/window.png"_s);
            const QRect part(0, 0, 1600, 1000);
            control.resize(control.sizeHint());
            control.grab(part).save(shots + u"/proposals.png"_s);
            window.addChecked();
            control.setCoordsString(document.table().MapText());
            control.grab(part).save(shots + u"/afteradd.png"_s);
            std::printf("added %d hot spots: %s\n", int(document.table().HotSpotCount()),
                qPrintable(document.undoStack().text(0)));
        }
    }
    const auto report = [](const char *what, std::vector<double> v) {
        std::sort(v.begin(), v.end());
        std::printf("%s: median %.2f s (%.2f-%.2f, %zu runs)\n", what, v[v.size() / 2], v.front(),
            v.back(), v.size());
    };
    report("proposals listed", listed);
    report("every name read", read);
}
