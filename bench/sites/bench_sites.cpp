// Times the site list, the register comparison and the web page with 1001 hot spots:
//   bench_sites            medians of 21 runs of each measurement

#include "memorysettings.h"
#include "model/hotspottable.h"
#include "silentstandins.h"
#include "sites/sitelist.h"
#include "sites/siteregister.h"
#include "sites/siteswindow.h"
#include "sites/webpage.h"

#include <QApplication>
#include <QElapsedTimer>
#include <QTemporaryFile>

#include <algorithm>
#include <cstdio>
#include <functional>

using namespace Qt::StringLiterals;

namespace {

void fillTable(HotSpotTable &table)
{
    for (int k = 0; k < 1001; ++k) {
        const int x = (k % 40) * 150, y = (k / 40) * 150;
        QStringList coords;
        for (const auto &[dx, dy] : { std::pair { 0, 0 }, { 120, 0 }, { 130, 60 }, { 120, 120 },
                 { 60, 130 }, { 0, 120 }, { -10, 60 }, { 5, 5 } }) {
            coords << QString::number(x + dx) << QString::number(y + dy);
        }
        table.AddHotSpot(coords.join(u','), u"Lot %1"_s.arg(k + 1));
    }
}

// A register of 1001 sites: two of the map's are missing, two others are new.
QByteArray makeRegister()
{
    QByteArray bytes = "Lot,Owner,Status\r\n";
    for (int k = 1; k <= 1003; ++k) {
        if (k != 17 && k != 500)
            bytes += "Lot " + QByteArray::number(k) + ",\"Owner, " + QByteArray::number(k)
                + "\",sold\r\n";
    }
    return bytes;
}

void report(const char *what, const std::function<void()> &run)
{
    QList<double> times;
    for (int i = 0; i < 21; ++i) {
        QElapsedTimer timer;
        timer.start();
        run();
        times.append(timer.nsecsElapsed() / 1000.0);
    }
    std::sort(times.begin(), times.end());
    std::printf("%-58s %9.0f us median (fastest %.0f)\n", what, times[10], times[0]);
}

} // namespace

int main(int argc, char *argv[])
{
    QApplication app(argc, argv);
    HotSpotTable table;
    fillTable(table);
    const QByteArray registerBytes = makeRegister();
    QTemporaryFile registerFile;
    if (!registerFile.open() || registerFile.write(registerBytes) != registerBytes.size())
        return 1;
    registerFile.close();

    report("SiteRegister::parse, 1001 CSV rows", [&] { SiteRegister::parse(registerBytes); });
    report("SiteList::entries, 1001 hot spots, natural order", [&] { SiteList::entries(table); });
    QStringList names;
    for (const SiteEntry &entry : SiteList::entries(table))
        names.append(entry.name);
    const QStringList sites = SiteRegister::parse(registerBytes).sites;
    report(
        "SiteList::compare, 1001 names with 1001 sites", [&] { SiteList::compare(names, sites); });
    report("WebPage::html, 1001 areas", [&] {
        WebPage::html(
            u"Plan"_s, u"plan.jpg"_s, QSize(6000, 4000), WebPage::areas(table), u"#{id}"_s);
    });

    SilentPrompts prompts;
    MemorySettings settings;
    SitesWindow window(table, prompts, settings);
    window.show();
    report("Sites window rebuilt, list only", [&] { window.refresh(); });
    window.loadRegister(registerFile.fileName());
    report("Sites window rebuilt, compared with the register", [&] { window.refresh(); });
    return 0;
}
