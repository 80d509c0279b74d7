#pragma once

#include <QString>
#include <QUndoCommand>

class HotSpotTable;

/// One change to one slot of the hot-spot table, recorded right after the editor made it.
/// Undo puts the slot and the count back exactly; redo makes the change again through the
/// table's own method. The first redo, which QUndoStack runs on push, finds the change made.
class HotSpotCommand : public QUndoCommand
{
public:
    void undo() override;
    void redo() override;

protected:
    /// \a coordsBefore, \a nameBefore and \a countBefore: the slot and the count before the
    /// change.
    HotSpotCommand(HotSpotTable &table, int slot, const QString &coordsBefore,
        const QString &nameBefore, qint16 countBefore, const QString &text);

    virtual void apply() = 0;

    HotSpotTable &m_table;
    const int m_slot;

private:
    const QString m_coordsBefore;
    const QString m_nameBefore;
    const qint16 m_countBefore;
    bool m_made = true;
};

/// A new hot spot appended to the table.
class CreateHotSpotCommand final : public HotSpotCommand
{
public:
    /// The table has just taken the hot spot in its last slot.
    CreateHotSpotCommand(
        HotSpotTable &table, const QString &coordsBefore, const QString &nameBefore);

private:
    void apply() override;

    const QString m_coords;
    const QString m_name;
};

/// A hot spot given a new name.
class RenameHotSpotCommand final : public HotSpotCommand
{
public:
    RenameHotSpotCommand(HotSpotTable &table, int slot, const QString &nameBefore);

private:
    void apply() override;

    const QString m_name;
};

/// A hot spot given a new coordinate list: typed in, or one corner moved, added or removed.
class SetCoordsCommand final : public HotSpotCommand
{
public:
    SetCoordsCommand(
        HotSpotTable &table, int slot, const QString &coordsBefore, const QString &text);

private:
    void apply() override;

    const QString m_coords;
};

/// A hot spot deleted: its slot emptied in place.
class DeleteHotSpotCommand final : public HotSpotCommand
{
public:
    DeleteHotSpotCommand(
        HotSpotTable &table, int slot, const QString &coordsBefore, const QString &nameBefore);

private:
    void apply() override;
};
