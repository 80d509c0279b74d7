#include "editing/movecorners.h"

#include "editing/edithistory.h"
#include "imagemap/imagemapcontrol.h"
#include "model/editorview.h"
#include "model/hotspottable.h"

using namespace Qt::StringLiterals;

MoveCorners::MoveCorners(
    HotSpotTable &table, EditHistory &history, EditorView &view, ImageMapControl &control)
    : m_table(table)
    , m_history(history)
    , m_view(view)
    , m_control(control)
{
    // Undo, redo, Load and Clear change the table under the handles.
    m_followHistory = QObject::connect(&m_history.stack(), &QUndoStack::indexChanged, [this] {
        if (m_on)
            refresh();
    });
}

MoveCorners::~MoveCorners()
{
    QObject::disconnect(m_followHistory);
}

void MoveCorners::setOn(bool on)
{
    m_on = on;
    if (on) {
        refresh();
    } else {
        m_shown.clear();
        m_control.setCornerHandles({});
    }
}

void MoveCorners::refresh()
{
    m_shown.clear();
    QList<QPolygonF> polygons;
    const int count = m_table.usedSlots();
    for (int slot = 0; slot < count; ++slot) {
        const QString &coords = m_table.HotSpotCoords[slot];
        if (coords.isEmpty())
            continue;
        // Lists typed as text may be anything; only lists of corners get handles.
        const QStringList numbers = coords.split(u',');
        if (numbers.size() < 4 || numbers.size() % 2 != 0)
            continue;
        QPolygonF polygon;
        bool allNumbers = true;
        for (qsizetype k = 0; k + 1 < numbers.size() && allNumbers; k += 2) {
            bool okX = false, okY = false;
            polygon.append(QPointF(numbers[k].toDouble(&okX), numbers[k + 1].toDouble(&okY)));
            allNumbers = okX && okY;
        }
        if (!allNumbers)
            continue;
        m_shown.append({ slot, numbers });
        polygons.append(polygon);
    }
    m_control.setCornerHandles(polygons);
}

void MoveCorners::store(int polygon, const QStringList &numbers, const QString &what)
{
    const int slot = m_shown.at(polygon).slot;
    m_history.setHotSpotCoords(slot, numbers.join(u','), what);
    m_table.BuildMapText();
    m_control.setCoordsString(m_table.MapText);
    m_view.setIsSaved(false);
    refresh();
}

void MoveCorners::moveCorner(int polygon, int corner, QPoint pixel)
{
    if (!m_on || polygon < 0 || polygon >= m_shown.size())
        return;
    QStringList numbers = m_shown[polygon].numbers;
    if (corner < 0 || 2 * corner + 1 >= numbers.size())
        return;
    numbers[2 * corner] = QString::number(pixel.x());
    numbers[2 * corner + 1] = QString::number(pixel.y());
    store(polygon, numbers, u"Move Corner of"_s);
}

void MoveCorners::insertCorner(int polygon, int afterCorner, QPoint pixel)
{
    if (!m_on || polygon < 0 || polygon >= m_shown.size())
        return;
    QStringList numbers = m_shown[polygon].numbers;
    if (afterCorner < 0 || 2 * afterCorner + 1 >= numbers.size())
        return;
    numbers.insert(2 * afterCorner + 2, QString::number(pixel.y()));
    numbers.insert(2 * afterCorner + 2, QString::number(pixel.x()));
    store(polygon, numbers, u"Add Corner to"_s);
}

void MoveCorners::removeCorner(int polygon, int corner)
{
    if (!m_on || polygon < 0 || polygon >= m_shown.size())
        return;
    QStringList numbers = m_shown[polygon].numbers;
    if (corner < 0 || 2 * corner + 1 >= numbers.size() || numbers.size() <= 6)
        return;
    numbers.remove(2 * corner, 2);
    store(polygon, numbers, u"Remove Corner of"_s);
}
