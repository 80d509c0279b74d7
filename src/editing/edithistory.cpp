#include "editing/edithistory.h"

#include "editing/hotspotcommands.h"
#include "imagemap/imagemapcontrol.h"
#include "model/editorview.h"

using namespace Qt::StringLiterals;

EditHistory::EditHistory(HotSpotTable &table, EditorView &view, ImageMapControl &control)
    : m_table(table)
    , m_view(view)
    , m_control(control)
{
}

HotSpotTable::AddResult EditHistory::addHotSpot(const QString &coords, const QString &name)
{
    // The slot may still hold strings of an earlier table; undo puts them back too.
    const int slot = m_table.usedSlots();
    const QString coordsBefore =
        slot < HotSpotTable::Capacity ? m_table.HotSpotCoords[slot] : QString();
    const QString nameBefore =
        slot < HotSpotTable::Capacity ? m_table.HotSpotNames[slot] : QString();
    const HotSpotTable::AddResult result = m_table.AddHotSpot(coords, name);
    if (result == HotSpotTable::AddResult::Added)
        m_stack.push(new CreateHotSpotCommand(m_table, coordsBefore, nameBefore));
    return result;
}

bool EditHistory::renameHotSpot(int slot, const QString &newName)
{
    const QString nameBefore = m_table.HotSpotNames.at(slot);
    if (!m_table.RenameHotSpot(slot, newName))
        return false;
    m_stack.push(new RenameHotSpotCommand(m_table, slot, nameBefore));
    return true;
}

void EditHistory::setHotSpotCoords(int slot, const QString &coords, const QString &what)
{
    const QString coordsBefore = m_table.HotSpotCoords.at(slot);
    m_table.SetHotSpotCoords(slot, coords);
    // Nothing to take back when the list stayed as it was.
    if (coords != coordsBefore)
        m_stack.push(new SetCoordsCommand(
            m_table, slot, coordsBefore, what + u' ' + m_table.HotSpotNames.at(slot)));
}

void EditHistory::clearHotSpot(int slot)
{
    const QString coordsBefore = m_table.HotSpotCoords.at(slot);
    const QString nameBefore = m_table.HotSpotNames.at(slot);
    m_table.ClearHotSpot(slot);
    if (!coordsBefore.isEmpty() || !nameBefore.isEmpty())
        m_stack.push(new DeleteHotSpotCommand(m_table, slot, coordsBefore, nameBefore));
}

void EditHistory::undo()
{
    if (!m_stack.canUndo())
        return;
    m_stack.undo();
    showTable();
}

void EditHistory::redo()
{
    if (!m_stack.canRedo())
        return;
    m_stack.redo();
    showTable();
}

void EditHistory::showTable()
{
    m_table.BuildMapText();
    m_control.setCoordsString(m_table.MapText);
    m_view.setIsSaved(m_stack.isClean());
}

QString EditHistory::menuCaption(const QString &verb, const QString &stepText)
{
    if (stepText.isEmpty())
        return verb;
    QString literal = stepText;
    literal.replace(u'&', u"&&"_s);
    return verb + u' ' + literal;
}

void EditHistory::markSaved()
{
    m_stack.setClean();
}

void EditHistory::forget()
{
    m_stack.clear();
}

void EditHistory::forgetUnsaved()
{
    m_stack.clear();
    m_stack.resetClean();
}
