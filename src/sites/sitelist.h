#pragma once

#include <QList>
#include <QRectF>
#include <QSet>
#include <QString>
#include <QStringList>

#include <optional>

class HotSpotTable;

/// One hot spot of the map as the site list shows it.
struct SiteEntry
{
    QString name;
    int corners = 0;
    /// Bounding box in picture pixels.
    QRectF bounds;
};

namespace SiteList {

/// Whether \a a sorts before \a b in natural order ("Lot 2" before "Lot 10").
bool naturalLess(const QString &a, const QString &b);
void sortNaturally(QStringList &names);

/// The hot spots the map shows (slots with coordinates), in natural order of their names.
QList<SiteEntry> entries(const HotSpotTable &table);

/// The bounding box of the first shown hot spot named \a name.
std::optional<QRectF> hotSpotBounds(const HotSpotTable &table, const QString &name);

/// Corners and bounding box of a coordinate list "x1,y1,x2,y2,...".
SiteEntry measure(const QString &name, const QString &coords);

/// The map's names against a site register's. Each group is in natural order and lists a
/// name once.
struct Comparison
{
    QStringList inBoth;
    QStringList registerOnly;
    QStringList mapOnly;
    /// Sites listed more than once in the register.
    QSet<QString> registerDuplicates;
    /// Names used by more than one hot spot.
    QSet<QString> mapDuplicates;
};

Comparison compare(const QStringList &mapNames, const QStringList &registerSites);

} // namespace SiteList
