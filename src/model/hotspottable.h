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

    const QString &HotSpotCoords(int slot) const { return m_coords.at(slot); }
    const QString &HotSpotNames(int slot) const { return m_names.at(slot); }
    qint16 HotSpotCount() const { return m_count; }
    const QString &MapText() const { return m_mapText; }

    /// Calls \a visit(slot, coords, name) for each used slot that holds a hot spot (deleted
    /// ones are empty), in slot order.
    template <typename Visit> void forEachHotSpot(Visit &&visit) const
    {
        const int count = usedSlots();
        for (int slot = 0; slot < count; ++slot) {
            if (!m_coords[slot].isEmpty())
                visit(slot, m_coords[slot], m_names[slot]);
        }
    }

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
    /// Gives a slot a new coordinate list and rebuilds the map text.
    void setCoords(int slot, const QString &coords);
    /// Puts a slot back exactly as it was (undo); the count grows to include it.
    void restoreSlot(int slot, const QString &coords, const QString &name);
    /// No slots in use; the slots' contents and the map text stay.
    void resetCount() { m_count = 0; }
    /// Takes the count back to what it was before slots were appended (undo); the slots keep
    /// their contents. Rebuilds the map text.
    void restoreCount(qint16 count);

    /// Reading a map file: no slots in use, and the map text starts as the file's first line.
    void beginRead(const QString &firstLine);
    /// Claims the slot for the next line read. Throws AppError 9 when every slot is taken.
    int claimReadSlot();
    /// What the reader parsed of a line, stored in the slot it claimed.
    void storeReadCoords(int slot, const QString &coords) { m_coords.at(slot) = coords; }
    void storeReadName(int slot, const QString &name) { m_names.at(slot) = name; }
    /// The reader keeps each area line as read in the map text (no line ends, no footer).
    void appendReadLine(const QString &line) { m_mapText += line; }

    QString BuildAreaLine(int slot) const;
    void BuildMapText();

    bool isFull() const { return m_count >= Capacity; }
    /// The walk bound: the count, never past the last slot.
    int usedSlots() const;

private:
    // Tests set up states that only a sequence of edits could otherwise reach.
    friend struct HotSpotTableAccess;

    std::array<QString, Capacity> m_coords;
    std::array<QString, Capacity> m_names;
    qint16 m_count = 0;
    QString m_mapText;
};
