#include "model/hotspottable.h"

#include "model/maptext.h"

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

QString HotSpotTable::BuildAreaLine(int slot) const
{
    return MapFormat::areaLine(HotSpotCoords.at(slot), HotSpotNames.at(slot));
}

void HotSpotTable::BuildMapText()
{
    const int count = usedSlots();
    qsizetype size = MapFormat::header().size() + MapFormat::footer().size();
    for (int slot = 0; slot < count; ++slot) {
        if (!HotSpotCoords[slot].isEmpty())
            size += 60 + HotSpotCoords[slot].size() + HotSpotNames[slot].size();
    }
    QString text;
    text.reserve(size);
    text += MapFormat::header();
    for (int slot = 0; slot < count; ++slot) {
        if (!HotSpotCoords[slot].isEmpty())
            text += BuildAreaLine(slot);
    }
    text += MapFormat::footer();
    MapText = std::move(text);
}
