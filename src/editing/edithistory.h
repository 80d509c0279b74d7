#pragma once

#include "model/hotspottable.h"

#include <QUndoStack>

class EditorView;
class ImageMapControl;

/// The undo history of the hot-spot table. Each edit goes through the table's own method and,
/// when it changed the table, becomes one step. The stack's clean state is the step last
/// saved, so after an undo or a redo IsSaved tells whether the map differs from its file.
class EditHistory
{
public:
    EditHistory(HotSpotTable &table, EditorView &view, ImageMapControl &control);

    QUndoStack &stack() { return m_stack; }

    HotSpotTable::AddResult addHotSpot(const QString &coords, const QString &name);
    bool renameHotSpot(int slot, const QString &newName);
    /// \a what names the step ("Change Coordinates", "Move Corner", ...); the hot spot's name
    /// follows it.
    void setHotSpotCoords(int slot, const QString &coords, const QString &what);
    void clearHotSpot(int slot);

    /// Both show the table on the display afterwards and leave the read-outs alone.
    void undo();
    void redo();

    /// "Undo Delete Lot 7" for \a verb "Undo" and a step's text, shown literally in a menu;
    /// the verb alone when there is no step.
    static QString menuCaption(const QString &verb, const QString &stepText);

    /// The map file now holds the table.
    void markSaved();
    /// The table was replaced (Load, Clear): nothing before it can be undone.
    void forget();
    /// The table was replaced by one that no file holds (recovered changes): no history, and
    /// no step of it is the saved one.
    void forgetUnsaved();

private:
    void showTable();

    HotSpotTable &m_table;
    EditorView &m_view;
    ImageMapControl &m_control;
    QUndoStack m_stack;
};
