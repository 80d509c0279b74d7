#pragma once

#include <QList>
#include <QString>
#include <QUndoCommand>
#include <utility>

class HotSpotTable;
class MapDocument;

/// One change to one slot of the document's hot-spot table. redo() makes the change through
/// the table's own method; undo() puts the slot and the count back exactly as they were.
class HotSpotCommand : public QUndoCommand
{
public:
    void undo() override;
    void redo() override;

protected:
    /// Records \a slot and the count as they are now, before the change.
    HotSpotCommand(MapDocument &document, int slot, const QString &text);

    HotSpotTable &table();
    virtual void apply() = 0;

    const int m_slot;

private:
    MapDocument &m_document;
    const QString m_coordsBefore;
    const QString m_nameBefore;
    const qint16 m_countBefore;
};

/// A new hot spot appended to the table.
class CreateHotSpotCommand final : public HotSpotCommand
{
public:
    CreateHotSpotCommand(MapDocument &document, const QString &coords, const QString &name);

private:
    void apply() override;

    const QString m_coords;
    const QString m_name;
};

/// A hot spot given a new name.
class RenameHotSpotCommand final : public HotSpotCommand
{
public:
    RenameHotSpotCommand(MapDocument &document, int slot, const QString &name);

private:
    void apply() override;

    const QString m_name;
};

/// A hot spot given a new coordinate list: typed in, or one corner moved, added or removed.
class SetCoordsCommand final : public HotSpotCommand
{
public:
    SetCoordsCommand(MapDocument &document, int slot, const QString &coords, const QString &text);

private:
    void apply() override;

    const QString m_coords;
};

/// A hot spot deleted: its slot emptied in place.
class DeleteHotSpotCommand final : public HotSpotCommand
{
public:
    DeleteHotSpotCommand(MapDocument &document, int slot);

private:
    void apply() override;
};

/// Hot spots appended together (a detected plan) as one step; undo puts every slot they took
/// and the count back.
class AddHotSpotsCommand final : public QUndoCommand
{
public:
    AddHotSpotsCommand(MapDocument &document, QList<std::pair<QString, QString>> coordsAndNames);

    void undo() override;
    void redo() override;

private:
    MapDocument &m_document;
    const QList<std::pair<QString, QString>> m_coordsAndNames;
    QList<std::pair<QString, QString>> m_slotsBefore;
    const qint16 m_countBefore;
};
