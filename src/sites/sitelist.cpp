#include "sites/sitelist.h"

#include "imagemap/areaparser.h"
#include "model/hotspottable.h"

#include <QCollator>
#include <QLocale>

#include <algorithm>

namespace {

const QCollator &naturalCollator()
{
    static const QCollator collator = [] {
        // The C locale collates by code point and ignores the numeric mode.
        QLocale locale;
        if (locale.language() == QLocale::C)
            locale = QLocale(QLocale::English, QLocale::UnitedStates);
        QCollator c(locale);
        c.setNumericMode(true);
        c.setCaseSensitivity(Qt::CaseInsensitive);
        return c;
    }();
    return collator;
}

// Names that collate equal ("Lot 1" and "lot 1") still get a fixed order.
bool lessThan(const QString &a, const QString &b)
{
    const int order = naturalCollator().compare(a, b);
    return order != 0 ? order < 0 : a < b;
}

QSet<QString> repeated(const QStringList &names)
{
    QSet<QString> seen, twice;
    for (const QString &name : names) {
        if (seen.contains(name))
            twice.insert(name);
        else
            seen.insert(name);
    }
    return twice;
}

QStringList distinctSorted(QStringList names)
{
    SiteList::sortNaturally(names);
    names.erase(std::unique(names.begin(), names.end()), names.end());
    return names;
}

} // namespace

bool SiteList::naturalLess(const QString &a, const QString &b)
{
    return lessThan(a, b);
}

void SiteList::sortNaturally(QStringList &names)
{
    std::sort(names.begin(), names.end(), lessThan);
}

SiteEntry SiteList::measure(const QString &name, const QString &coords)
{
    const QList<double> numbers = AreaParser::parseCoords(coords);
    SiteEntry entry { name, int(numbers.size() / 2), {} };
    if (entry.corners == 0)
        return entry;
    double left = numbers[0], right = numbers[0], top = numbers[1], bottom = numbers[1];
    for (qsizetype k = 2; k + 1 < numbers.size(); k += 2) {
        left = std::min(left, numbers[k]);
        right = std::max(right, numbers[k]);
        top = std::min(top, numbers[k + 1]);
        bottom = std::max(bottom, numbers[k + 1]);
    }
    entry.bounds = QRectF(QPointF(left, top), QPointF(right, bottom));
    return entry;
}

QList<SiteEntry> SiteList::entries(const HotSpotTable &table)
{
    QList<SiteEntry> result;
    table.forEachHotSpot([&](int, const QString &coords, const QString &name) {
        result.append(measure(name, coords));
    });
    std::stable_sort(result.begin(), result.end(),
        [](const SiteEntry &a, const SiteEntry &b) { return lessThan(a.name, b.name); });
    return result;
}

std::optional<QRectF> SiteList::hotSpotBounds(const HotSpotTable &table, const QString &name)
{
    std::optional<QRectF> bounds;
    table.forEachHotSpot([&](int, const QString &coords, const QString &spotName) {
        if (!bounds && spotName == name)
            bounds = measure(name, coords).bounds;
    });
    return bounds;
}

SiteList::Comparison SiteList::compare(
    const QStringList &mapNames, const QStringList &registerSites)
{
    Comparison result;
    result.registerDuplicates = repeated(registerSites);
    result.mapDuplicates = repeated(mapNames);
    const QSet<QString> onMap(mapNames.cbegin(), mapNames.cend());
    const QSet<QString> inRegister(registerSites.cbegin(), registerSites.cend());
    for (const QString &site : distinctSorted(registerSites))
        (onMap.contains(site) ? result.inBoth : result.registerOnly).append(site);
    for (const QString &name : distinctSorted(mapNames)) {
        if (!inRegister.contains(name))
            result.mapOnly.append(name);
    }
    return result;
}
