#include "model/hotspottable.h"

#include "model/maptext.h"
#include "platform/apperror.h"

#include <algorithm>

int HotSpotTable::usedSlots() const
{
    return std::clamp<int>(HotSpotCount, 0, Capacity);
}

int HotSpotTable::FindHotSpot(const QString &name) const
{
    const int count = usedSlots();
    for (int slot = 0; slot < count; ++slot) {
        if (HotSpotNames[slot] == name)
            return slot;
    }
    return -1;
}

bool HotSpotTable::HotSpotNameExists(const QString &name) const
{
    return FindHotSpot(name) >= 0;
}

HotSpotTable::AddResult HotSpotTable::AddHotSpot(const QString &coords, const QString &name)
{
    if (HotSpotNameExists(name))
        return AddResult::NameExists;
    if (isFull())
        return AddResult::TableFull;
    const int slot = HotSpotCount;
    ++HotSpotCount;
    HotSpotCoords[slot] = coords;
    HotSpotNames[slot] = name;
    BuildMapText();
    return AddResult::Added;
}

void HotSpotTable::ClearHotSpot(int slot)
{
    HotSpotCoords.at(slot).clear();
    HotSpotNames.at(slot).clear();
    BuildMapText();
}

bool HotSpotTable::RenameHotSpot(int slot, const QString &newName)
{
    const bool taken = HotSpotNameExists(newName);
    if (!taken)
        HotSpotNames.at(slot) = newName;
    BuildMapText();
    return !taken;
}

void HotSpotTable::EraseHotSpots()
{
    for (QString &coords : HotSpotCoords)
        coords.clear();
    for (QString &name : HotSpotNames)
        name.clear();
}

void HotSpotTable::SetHotSpotCoords(int slot, const QString &coords)
{
    HotSpotCoords.at(slot) = coords;
    BuildMapText();
}

void HotSpotTable::RestoreSlot(int slot, const QString &coords, const QString &name)
{
    HotSpotCoords.at(slot) = coords;
    HotSpotNames.at(slot) = name;
    if (slot >= HotSpotCount)
        HotSpotCount = qint16(slot + 1);
    BuildMapText();
}

void HotSpotTable::RestoreCount(qint16 count)
{
    HotSpotCount = std::clamp<qint16>(count, 0, Capacity);
    BuildMapText();
}

void HotSpotTable::BeginRead(const QString &firstLine)
{
    HotSpotCount = 0;
    MapText = firstLine;
}

int HotSpotTable::ClaimReadSlot()
{
    if (HotSpotCount >= Capacity) {
        HotSpotCount = Capacity;
        throw AppError::fromNumber(ErrorNumber::SubscriptOutOfRange);
    }
    return HotSpotCount++;
}

QString HotSpotTable::BuildAreaLine(int slot) const
{
    return MapFormat::areaLine(HotSpotCoords.at(slot), HotSpotNames.at(slot));
}

void HotSpotTable::BuildMapText()
{
    const int count = usedSlots();
    const QString header = MapFormat::header();
    const QString footer = MapFormat::footer();
    qsizetype size = header.size() + footer.size();
    for (int slot = 0; slot < count; ++slot) {
        if (!HotSpotCoords[slot].isEmpty())
            size += MapFormat::areaLineOverhead + HotSpotCoords[slot].size()
                + HotSpotNames[slot].size();
    }
    QString text;
    text.reserve(size);
    text += header;
    for (int slot = 0; slot < count; ++slot) {
        if (!HotSpotCoords[slot].isEmpty())
            MapFormat::appendAreaLine(text, HotSpotCoords[slot], HotSpotNames[slot]);
    }
    text += footer;
    MapText = std::move(text);
}
