#pragma once

#include "document/mapdocument.h"
#include "model/hotspottable.h"

/// Direct writes to a table's state, for tests that start from a state edits would take long
/// to reach (a stale map text, a count past the slots written).
struct HotSpotTableAccess
{
    /// The document's table, for writes no edit makes.
    static HotSpotTable &of(MapDocument &document)
    {
        return const_cast<HotSpotTable &>(document.table());
    }
    static HotSpotTable &of(const HotSpotTable &table) { return const_cast<HotSpotTable &>(table); }
    static QString &coords(HotSpotTable &table, int slot) { return table.m_coords.at(slot); }
    static QString &name(HotSpotTable &table, int slot) { return table.m_names.at(slot); }
    static qint16 &count(HotSpotTable &table) { return table.m_count; }
    static QString &mapText(HotSpotTable &table) { return table.m_mapText; }
};
