#pragma once

#include <QString>

#include <array>

/// The hot spots being edited: 1001 slots of coordinate list and name, the count of slots in
/// use (deleted ones stay as empty slots) and the map text built from them.
class HotSpotTable
{
public:
    static constexpr int Capacity = 1001;

    enum class AddResult { Added, NameExists, TableFull };

    std::array<QString, Capacity> HotSpotCoords;
    std::array<QString, Capacity> HotSpotNames;
    qint16 HotSpotCount = 0;
    QString MapText;

    /// The first slot below the count with exactly this name, or -1.
    int FindHotSpot(const QString &name) const;
    bool HotSpotNameExists(const QString &name) const;
    /// Appends a hot spot in slot HotSpotCount and rebuilds the map text. Refuses a name in use
    /// and a full table; nothing changes then.
    AddResult AddHotSpot(const QString &coords, const QString &name);
    /// Empties a slot in place; the count stays.
    void ClearHotSpot(int slot);
    /// Renames a slot unless the new name is in use (its own name included). Rebuilds the map
    /// text either way.
    bool RenameHotSpot(int slot, const QString &newName);
    /// Empties every slot; the count and the map text stay.
    void EraseHotSpots();

    QString BuildAreaLine(int slot) const;
    void BuildMapText();

    bool isFull() const { return HotSpotCount >= Capacity; }
    /// The walk bound: the count, never past the last slot.
    int usedSlots() const;
};
