#include "model/hotspottable.h"

#include "model/maptext.h"
#include "platform/apperror.h"

#include <algorithm>

int HotSpotTable::usedSlots() const
{
    return std::clamp<int>(m_count, 0, Capacity);
}

int HotSpotTable::FindHotSpot(const QString &name) const
{
    const int count = usedSlots();
    for (int slot = 0; slot < count; ++slot) {
        if (m_names[slot] == name)
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
    const int slot = m_count;
    ++m_count;
    m_coords[slot] = coords;
    m_names[slot] = name;
    BuildMapText();
    return AddResult::Added;
}

void HotSpotTable::ClearHotSpot(int slot)
{
    m_coords.at(slot).clear();
    m_names.at(slot).clear();
    BuildMapText();
}

bool HotSpotTable::RenameHotSpot(int slot, const QString &newName)
{
    const bool taken = HotSpotNameExists(newName);
    if (!taken)
        m_names.at(slot) = newName;
    BuildMapText();
    return !taken;
}

void HotSpotTable::EraseHotSpots()
{
    for (QString &coords : m_coords)
        coords.clear();
    for (QString &name : m_names)
        name.clear();
}

void HotSpotTable::setCoords(int slot, const QString &coords)
{
    m_coords.at(slot) = coords;
    BuildMapText();
}

void HotSpotTable::restoreSlot(int slot, const QString &coords, const QString &name)
{
    m_coords.at(slot) = coords;
    m_names.at(slot) = name;
    if (slot >= m_count)
        m_count = qint16(slot + 1);
    BuildMapText();
}

void HotSpotTable::restoreCount(qint16 count)
{
    m_count = std::clamp<qint16>(count, 0, Capacity);
    BuildMapText();
}

void HotSpotTable::beginRead(const QString &firstLine)
{
    m_count = 0;
    m_mapText = firstLine;
}

int HotSpotTable::claimReadSlot()
{
    if (m_count >= Capacity) {
        m_count = Capacity;
        throw AppError::fromNumber(ErrorNumber::SubscriptOutOfRange);
    }
    return m_count++;
}

QString HotSpotTable::BuildAreaLine(int slot) const
{
    return MapFormat::areaLine(m_coords.at(slot), m_names.at(slot));
}

void HotSpotTable::BuildMapText()
{
    const int count = usedSlots();
    const QString header = MapFormat::header();
    const QString footer = MapFormat::footer();
    qsizetype size = header.size() + footer.size();
    for (int slot = 0; slot < count; ++slot) {
        if (!m_coords[slot].isEmpty())
            size += MapFormat::areaLineOverhead + m_coords[slot].size() + m_names[slot].size();
    }
    QString text;
    text.reserve(size);
    text += header;
    for (int slot = 0; slot < count; ++slot) {
        if (!m_coords[slot].isEmpty())
            MapFormat::appendAreaLine(text, m_coords[slot], m_names[slot]);
    }
    text += footer;
    m_mapText = std::move(text);
}
