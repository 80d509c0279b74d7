#include "document/hotspotcommands.h"

#include "document/mapdocument.h"
#include "model/hotspottable.h"

using namespace Qt::StringLiterals;

HotSpotCommand::HotSpotCommand(MapDocument &document, int slot, const QString &text)
    : QUndoCommand(text)
    , m_slot(slot)
    , m_document(document)
    // A slot past the count may still hold strings of an earlier table; undo puts them back.
    , m_coordsBefore(
          slot < HotSpotTable::Capacity ? document.table().HotSpotCoords(slot) : QString())
    , m_nameBefore(slot < HotSpotTable::Capacity ? document.table().HotSpotNames(slot) : QString())
    , m_countBefore(document.table().HotSpotCount())
{
}

HotSpotTable &HotSpotCommand::table()
{
    return m_document.tableForCommands();
}

void HotSpotCommand::undo()
{
    HotSpotTable &t = table();
    t.restoreSlot(m_slot, m_coordsBefore, m_nameBefore);
    if (t.HotSpotCount() != m_countBefore)
        t.restoreCount(m_countBefore);
    m_document.emitChanged();
}

void HotSpotCommand::redo()
{
    apply();
    m_document.emitChanged();
}

CreateHotSpotCommand::CreateHotSpotCommand(
    MapDocument &document, const QString &coords, const QString &name)
    : HotSpotCommand(document, document.table().usedSlots(), u"Create "_s + name)
    , m_coords(coords)
    , m_name(name)
{
}

void CreateHotSpotCommand::apply()
{
    table().AddHotSpot(m_coords, m_name);
}

RenameHotSpotCommand::RenameHotSpotCommand(MapDocument &document, int slot, const QString &name)
    : HotSpotCommand(document, slot, u"Rename "_s + document.table().HotSpotNames(slot))
    , m_name(name)
{
}

void RenameHotSpotCommand::apply()
{
    table().RenameHotSpot(m_slot, m_name);
}

SetCoordsCommand::SetCoordsCommand(
    MapDocument &document, int slot, const QString &coords, const QString &text)
    : HotSpotCommand(document, slot, text)
    , m_coords(coords)
{
}

void SetCoordsCommand::apply()
{
    table().setCoords(m_slot, m_coords);
}

DeleteHotSpotCommand::DeleteHotSpotCommand(MapDocument &document, int slot)
    : HotSpotCommand(document, slot, u"Delete "_s + document.table().HotSpotNames(slot))
{
}

void DeleteHotSpotCommand::apply()
{
    table().ClearHotSpot(m_slot);
}

AddHotSpotsCommand::AddHotSpotsCommand(
    MapDocument &document, QList<std::pair<QString, QString>> coordsAndNames)
    : QUndoCommand(u"Add %1 Sites"_s.arg(coordsAndNames.size()))
    , m_document(document)
    , m_coordsAndNames(std::move(coordsAndNames))
    , m_countBefore(document.table().HotSpotCount())
{
    const HotSpotTable &t = document.table();
    const int first = t.usedSlots();
    for (int slot = first; slot < first + m_coordsAndNames.size() && slot < HotSpotTable::Capacity;
         ++slot)
        m_slotsBefore.append({ t.HotSpotCoords(slot), t.HotSpotNames(slot) });
}

void AddHotSpotsCommand::redo()
{
    HotSpotTable &t = m_document.tableForCommands();
    for (const auto &[coords, name] : m_coordsAndNames)
        t.AddHotSpot(coords, name);
    m_document.emitChanged();
}

void AddHotSpotsCommand::undo()
{
    HotSpotTable &t = m_document.tableForCommands();
    for (qsizetype i = 0; i < m_slotsBefore.size(); ++i)
        t.restoreSlot(m_countBefore + int(i), m_slotsBefore[i].first, m_slotsBefore[i].second);
    t.restoreCount(m_countBefore);
    m_document.emitChanged();
}
