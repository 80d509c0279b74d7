#include "editing/movecorners.h"

#include "document/mapdocument.h"
#include "imagemap/imagemapcontrol.h"
#include "model/cornerlist.h"
#include "model/hotspottable.h"

using namespace Qt::StringLiterals;

MoveCorners::MoveCorners(MapDocument &document, ImageMapControl &control)
    : m_document(document)
    , m_control(control)
{
    // Edits, undo, redo and every new map change the table under the handles.
    connect(&m_document, &MapDocument::hotSpotsChanged, this, [this] {
        if (m_on)
            refresh();
    });
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
    m_document.table().forEachHotSpot([&](int slot, const QString &coords, const QString &) {
        // Lists typed as text may be anything; only lists of corners get handles.
        const std::optional<QList<QPointF>> corners = CornerList::parse(coords);
        if (!corners || corners->size() < 2)
            return;
        m_shown.append({ slot, coords.split(u',') });
        polygons.append(QPolygonF(*corners));
    });
    m_control.setCornerHandles(polygons);
}

void MoveCorners::store(int polygon, const QStringList &numbers, const QString &what)
{
    const int slot = m_shown.at(polygon).slot;
    m_document.setCoords(slot, numbers.join(u','), what);
    m_document.setIsSaved(false);
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
