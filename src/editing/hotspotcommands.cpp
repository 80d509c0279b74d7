#include "editing/hotspotcommands.h"

#include "model/hotspottable.h"

using namespace Qt::StringLiterals;

HotSpotCommand::HotSpotCommand(HotSpotTable &table, int slot, const QString &coordsBefore,
    const QString &nameBefore, qint16 countBefore, const QString &text)
    : QUndoCommand(text)
    , m_table(table)
    , m_slot(slot)
    , m_coordsBefore(coordsBefore)
    , m_nameBefore(nameBefore)
    , m_countBefore(countBefore)
{
}

void HotSpotCommand::undo()
{
    m_table.RestoreSlot(m_slot, m_coordsBefore, m_nameBefore);
    if (m_table.HotSpotCount != m_countBefore)
        m_table.RestoreCount(m_countBefore);
}

void HotSpotCommand::redo()
{
    if (std::exchange(m_made, false))
        return;
    apply();
}

CreateHotSpotCommand::CreateHotSpotCommand(
    HotSpotTable &table, const QString &coordsBefore, const QString &nameBefore)
    : HotSpotCommand(table, table.HotSpotCount - 1, coordsBefore, nameBefore,
        qint16(table.HotSpotCount - 1),
        u"Create "_s + table.HotSpotNames.at(table.HotSpotCount - 1))
    , m_coords(table.HotSpotCoords.at(m_slot))
    , m_name(table.HotSpotNames.at(m_slot))
{
}

void CreateHotSpotCommand::apply()
{
    m_table.AddHotSpot(m_coords, m_name);
}

RenameHotSpotCommand::RenameHotSpotCommand(HotSpotTable &table, int slot, const QString &nameBefore)
    : HotSpotCommand(table, slot, table.HotSpotCoords.at(slot), nameBefore, table.HotSpotCount,
        u"Rename "_s + nameBefore)
    , m_name(table.HotSpotNames.at(slot))
{
}

void RenameHotSpotCommand::apply()
{
    m_table.RenameHotSpot(m_slot, m_name);
}

SetCoordsCommand::SetCoordsCommand(
    HotSpotTable &table, int slot, const QString &coordsBefore, const QString &text)
    : HotSpotCommand(
        table, slot, coordsBefore, table.HotSpotNames.at(slot), table.HotSpotCount, text)
    , m_coords(table.HotSpotCoords.at(slot))
{
}

void SetCoordsCommand::apply()
{
    m_table.SetHotSpotCoords(m_slot, m_coords);
}

DeleteHotSpotCommand::DeleteHotSpotCommand(
    HotSpotTable &table, int slot, const QString &coordsBefore, const QString &nameBefore)
    : HotSpotCommand(
        table, slot, coordsBefore, nameBefore, table.HotSpotCount, u"Delete "_s + nameBefore)
{
}

void DeleteHotSpotCommand::apply()
{
    m_table.ClearHotSpot(m_slot);
}
