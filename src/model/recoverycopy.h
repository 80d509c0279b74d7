#pragma once

#include <QByteArray>
#include <QList>
#include <QString>

#include <optional>

class HotSpotTable;

/// The recovery copy of unsaved changes: the path of the map they belong to, then the map in
/// the map file's own format (UTF-8, CR LF), then a checksum line, so that a damaged copy is
/// recognised as a whole and never read in part.
namespace RecoveryCopy {

struct HotSpot
{
    QString coords;
    QString name;
};

struct Contents
{
    QString mapPath;
    QList<HotSpot> hotSpots;
};

QByteArray format(const QString &mapPath, const HotSpotTable &table);
/// The copy's contents; nothing when the bytes are not a whole, intact copy.
std::optional<Contents> parse(const QByteArray &bytes);

} // namespace RecoveryCopy
